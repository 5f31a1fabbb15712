#include "postfx/CommandScriptRunner.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <csignal>
#include <sys/types.h>
#include <unistd.h>
#endif

namespace {

// What convert said, in one line: the first line of its messages without the source location
// that ImageMagick appends (" @ error/convert.c/…").
QString convertMessage(const QByteArray& errors) {
    for (const QByteArray& raw : errors.split('\n')) {
        QString line = QString::fromLocal8Bit(raw).trimmed();
        if (line.isEmpty())
            continue;
        const qsizetype where = line.lastIndexOf(QStringLiteral(" @ "));
        if (where > 0)
            line.truncate(where);
        return line;
    }
    return {};
}

// Ends the script and whatever it started.
void endProcess(QProcess& process) {
#ifdef Q_OS_WIN
    process.kill();
#else
    // The script runs in a process group of its own, so convert goes with it.
    const qint64 pid = process.processId();
    if (pid > 0)
        ::kill(-static_cast<pid_t>(pid), SIGKILL);
#endif
    process.waitForFinished(5000);
}

} // namespace

std::optional<ConvertTool> CommandScriptRunner::findConvert(const QString& appFolder) {
    const QDir toolFolder(QDir(appFolder).filePath(QStringLiteral("imgmagic")));
#ifdef Q_OS_WIN
    const QStringList ownNames = {QStringLiteral("convert.exe"), QStringLiteral("convert")};
#else
    const QStringList ownNames = {QStringLiteral("convert")};
#endif
    for (const QString& name : ownNames) {
        const QFileInfo own(toolFolder.filePath(name));
        if (own.isFile() && own.isExecutable())
            return ConvertTool{QDir::toNativeSeparators(own.absoluteFilePath()), {}, true};
    }
#ifndef Q_OS_WIN
    // Windows has a "convert" of its own, the file-system converter: there only magick is used.
    const QString convert = QStandardPaths::findExecutable(QStringLiteral("convert"));
    if (!convert.isEmpty())
        return ConvertTool{convert, {}, false};
#endif
    const QString magick = QStandardPaths::findExecutable(QStringLiteral("magick"));
    if (!magick.isEmpty())
        return ConvertTool{QDir::toNativeSeparators(magick), {QStringLiteral("convert")}, false};
    return std::nullopt;
}

QString CommandScriptRunner::missingConvertText() {
    return QStringLiteral("No se encuentra ImageMagick (convert): ni en la carpeta imgmagic del "
                          "programa ni en el PATH");
}

QString CommandScriptRunner::scriptFolderFor(const QString& appFolder) {
    const QFileInfo folder(appFolder);
    if (folder.isDir() && folder.isWritable())
        return appFolder;
    return userDataFolder();
}

QString CommandScriptRunner::userDataFolder() {
    const QString own = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    QDir().mkpath(own);
    return QDir::toNativeSeparators(QFileInfo(own).absoluteFilePath());
}

QString CommandScriptRunner::run(const QString& appFolder, const QByteArray& script, Wait wait) {
    if (running_)
        return QStringLiteral("Ya se está ejecutando otra orden de ImageMagick");
    running_ = true;
    const auto done = qScopeGuard([this] { running_ = false; });

    const QString path = commandScriptPath(nativeScriptForm(), appFolder);
    // Every copy of the program started from this folder uses the same script name: one at a
    // time, or they would run each other's commands on each other's pages.
    QLockFile lock(path + QStringLiteral(".lock"));
    if (!lock.tryLock(timeLimitMs_)) {
        if (lock.error() == QLockFile::LockFailedError)
            return QStringLiteral("Otra copia del programa está usando %1").arg(path);
        return QStringLiteral("No se pudo escribir %1: la carpeta no admite escritura").arg(path);
    }
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(script) != script.size() || !file.flush()) {
            const QString reason = file.errorString();
            file.close();
            QFile::remove(path);
            return QStringLiteral("No se pudo escribir %1: %2").arg(path, reason);
        }
    }

    QProcess process;
    process.setWorkingDirectory(appFolder);
    process.setStandardOutputFile(QProcess::nullDevice());
#ifdef Q_OS_WIN
    process.setProgram(QStringLiteral("cmd.exe"));
    process.setNativeArguments(QStringLiteral("/c \"%1\"").arg(path));
    process.setCreateProcessArgumentsModifier(
        [](QProcess::CreateProcessArguments* arguments) { arguments->flags |= CREATE_NO_WINDOW; });
#else
    process.setProgram(QStringLiteral("/bin/sh"));
    process.setArguments({path});
    process.setChildProcessModifier([] { ::setpgid(0, 0); });
#endif
    process.start();
    if (!process.waitForStarted()) {
        QFile::remove(path);
        return QStringLiteral("No se pudo iniciar la orden de ImageMagick: %1")
            .arg(process.errorString());
    }

    bool finished = false;
    if (wait == Wait::Blocking) {
        finished = process.waitForFinished(timeLimitMs_);
    } else {
        const QDeadlineTimer deadline(timeLimitMs_);
        while (process.state() != QProcess::NotRunning && !deadline.hasExpired()) {
            process.waitForFinished(20);
            QCoreApplication::processEvents();
        }
        finished = process.state() == QProcess::NotRunning;
    }
    if (!finished) {
        endProcess(process);
        QFile::remove(path);
        return QStringLiteral("ImageMagick no terminó en %1 segundos: se ha detenido")
            .arg(timeLimitMs_ / 1000.0);
    }
    // A script that did not get to its last line leaves itself behind.
    QFile::remove(path);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        const QString message = convertMessage(process.readAllStandardError());
        if (!message.isEmpty())
            return QStringLiteral("ImageMagick: ") + message;
        return QStringLiteral("ImageMagick terminó con el código %1").arg(process.exitCode());
    }
    return {};
}
