#pragma once

// The program started as a separate process, as a shell script starts it, with a script on its
// standard input.
#include <QHash>
#include <QProcess>
#include <QStringList>

struct ScriptRun {
    int status = -1; // -1 when it did not start, crashed or ran past the bound
    QString out;
    QString err;
    // The lines printed as "name = value", and their values by name (a name printed twice keeps
    // its last value).
    QStringList printedLines;
    QHash<QString, QString> printed;

    QString report() const { return QStringLiteral("status %1\n%2\n%3").arg(status).arg(out, err); }
};

// workers > 0 sets how many scans are read ahead at once.
inline ScriptRun runScript(const QStringList& script, int workers = 0) {
    constexpr int kRunBound = 300000; // ms
    QProcess program;
    if (workers > 0) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("PLIEGO_WORKERS"), QString::number(workers));
        program.setProcessEnvironment(environment);
    }
    program.setProgram(qEnvironmentVariable("PLIEGO_PROGRAM"));
    program.setArguments({QStringLiteral("--script"), QStringLiteral("-")});
    program.start();
    ScriptRun run;
    if (!program.waitForStarted(kRunBound))
        return run;
    program.write(script.join(QLatin1Char('\n')).toUtf8() + '\n');
    program.closeWriteChannel();
    if (!program.waitForFinished(kRunBound)) {
        program.kill();
        program.waitForFinished();
        return run;
    }
    run.status = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    run.out = QString::fromUtf8(program.readAllStandardOutput());
    run.err = QString::fromUtf8(program.readAllStandardError());
    for (const QString& line : run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const qsizetype equals = line.indexOf(QStringLiteral(" = "));
        if (equals < 0)
            continue;
        run.printed.insert(line.left(equals), line.mid(equals + 3));
        run.printedLines << line;
    }
    return run;
}
