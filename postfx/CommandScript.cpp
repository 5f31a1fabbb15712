#include "postfx/CommandScript.h"

#include <QRegularExpression>

namespace {

const QString kQuote = QStringLiteral("\"");

QString separatorOf(ScriptForm form) {
    return form == ScriptForm::WindowsBatch ? QStringLiteral("\\") : QStringLiteral("/");
}

// A folder and a name joined with the form's separator, never doubled.
QString joined(ScriptForm form, const QString& folder, const QString& name) {
    const QString separator = separatorOf(form);
    if (folder.endsWith(separator))
        return folder + name;
    return folder + separator + name;
}

bool isAbsolute(ScriptForm form, const QString& path) {
    if (form == ScriptForm::PosixShell)
        return path.startsWith(QLatin1Char('/'));
    static const QRegularExpression drive(QStringLiteral(R"(^([A-Za-z]:[\\/]|\\\\))"));
    return drive.match(path).hasMatch();
}

// Why a text cannot go into a script of this form; empty when it can. A batch file has no way to
// quote a double quote or a line break, and no form can hold a null character.
QString unsafeText(ScriptForm form, const QString& text) {
    if (text.contains(QChar(0)))
        return QStringLiteral("«%1» contiene un carácter nulo").arg(text);
    if (form == ScriptForm::WindowsBatch) {
        if (text.contains(QLatin1Char('"')))
            return QStringLiteral("«%1» contiene comillas dobles, que un fichero de órdenes no "
                                  "puede llevar")
                .arg(text);
        if (text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n')))
            return QStringLiteral("«%1» contiene un salto de línea, que un fichero de órdenes no "
                                  "puede llevar")
                .arg(text);
    }
    return {};
}

// convert reads "%d" and the like in the name of a file it writes as a frame number; "%%" is a
// plain "%". Names of files it reads are taken as they are when the file exists.
QString outputName(const QString& path) {
    return QString(path).replace(QLatin1Char('%'), QStringLiteral("%%"));
}

// The batch file expands "%" everywhere, inside quotes too; "%%" is a plain "%".
QString batchText(const QString& text) {
    return QString(text).replace(QLatin1Char('%'), QStringLiteral("%%"));
}

QString batchQuoted(const QString& text) {
    return kQuote + batchText(text) + kQuote;
}

// A word written without quotes where the batch format has none, quoted when the interpreter
// would split it or take part of it for an operator.
QString batchWord(const QString& text) {
    static const QRegularExpression special(QStringLiteral(R"([\s&|<>^(),;=])"));
    return text.contains(special) ? batchQuoted(text) : batchText(text);
}

QString shellQuoted(const QString& text) {
    return QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QStringLiteral("'\\''")) +
           QLatin1Char('\'');
}

QString shellWords(const QStringList& words) {
    QStringList quoted;
    for (const QString& word : words)
        quoted << shellQuoted(word);
    return quoted.join(QLatin1Char(' '));
}

QStringList toolWords(const ConvertTool& tool) {
    return QStringList{tool.program} + tool.leadingArguments;
}

// The lines, ended as the form ends them, in the form's encoding; or why they cannot be written.
CommandScript finish(ScriptForm form, const QStringList& lines) {
    if (form == ScriptForm::PosixShell)
        return {(lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8(), {}};
    const QString text = lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
    const QByteArray encoded = text.toLocal8Bit();
    if (QString::fromLocal8Bit(encoded) != text)
        return {{},
                QStringLiteral("Un nombre contiene letras que la página de códigos del sistema no "
                               "puede escribir")};
    return {encoded, {}};
}

CommandScript refused(const QString& problem) {
    return {{}, problem};
}

// The first problem of the texts and paths that go into a script, or an empty text.
QString firstProblem(ScriptForm form, const QStringList& texts, const QStringList& paths) {
    for (const QString& path : paths) {
        if (!isAbsolute(form, path))
            return QStringLiteral("La ruta «%1» no es absoluta").arg(path);
    }
    for (const QString& text : texts + paths) {
        const QString problem = unsafeText(form, text);
        if (!problem.isEmpty())
            return problem;
    }
    return {};
}

} // namespace

ScriptForm nativeScriptForm() {
#ifdef Q_OS_WIN
    return ScriptForm::WindowsBatch;
#else
    return ScriptForm::PosixShell;
#endif
}

QString commandScriptPath(ScriptForm form, const QString& appFolder) {
    return joined(form, appFolder,
                  form == ScriptForm::WindowsBatch ? QStringLiteral("imgmagick.bat")
                                                   : QStringLiteral("imgmagick.sh"));
}

bool effectTakesValue(const QString& option) {
    return option != QLatin1String("-contrast") && option != QLatin1String("+contrast");
}

CommandScript effectScript(ScriptForm form, const QString& appFolder, const ConvertTool& tool,
                           const QList<EffectStep>& steps, const QString& input,
                           const QString& output, const QString& scriptFolder) {
    QStringList texts = toolWords(tool);
    for (const EffectStep& step : steps) {
        // Whatever follows an option that takes no value would be read by convert as one more
        // picture (or an option, or "msl:" or "@" instructions), so it must stay empty.
        if (!effectTakesValue(step.option) && !step.parameter.isEmpty())
            return refused(QStringLiteral("El efecto %1 no lleva valor; se ha escrito «%2»")
                               .arg(step.option, step.parameter));
        texts << step.option << step.parameter;
    }
    const QString scripts = scriptFolder.isEmpty() ? appFolder : scriptFolder;
    const QString problem = firstProblem(form, texts, {appFolder, scripts, input, output});
    if (!problem.isEmpty())
        return refused(problem);

    const QString script = commandScriptPath(form, scripts);
    if (form == ScriptForm::WindowsBatch) {
        QString command;
        if (tool.inToolFolder) {
            command = batchQuoted(joined(form, appFolder, QStringLiteral("imgmagic\\convert")));
        } else {
            command = batchQuoted(tool.program);
            for (const QString& word : tool.leadingArguments)
                command += QLatin1Char(' ') + batchWord(word);
        }
        command += QLatin1Char(' ');
        for (const EffectStep& step : steps)
            command += batchText(step.option) + QLatin1Char(' ') + batchQuoted(step.parameter) +
                       QLatin1Char(' ');
        command += batchQuoted(input) + QLatin1Char(' ') + batchQuoted(outputName(output));
        return finish(form, {QStringLiteral("@echo off"), command,
                             QStringLiteral("del ") + batchQuoted(script)});
    }

    QStringList words = toolWords(tool);
    for (const EffectStep& step : steps) {
        words << step.option;
        // On Windows an option without value is followed by two quotes, which convert reads as
        // a picture without a name and reports as an error; here the empty word is left out so
        // that the command's status tells a real failure.
        if (effectTakesValue(step.option))
            words << step.parameter;
    }
    words << input << outputName(output);
    return finish(form, {QStringLiteral("#!/bin/sh"), shellWords(words),
                         QStringLiteral("status=$?; rm -f -- ") + shellQuoted(script) +
                             QStringLiteral("; exit $status")});
}

CommandScript labelScript(ScriptForm form, const QString& appFolder, const ConvertTool& tool,
                          const QString& font, const QString& pointSize, const QString& text,
                          const QString& labelPath, const QString& scriptFolder) {
    // The font is a file of the tool folder (the script's current folder) or a font name that
    // convert knows: never a path to some other file.
    if (font.contains(QLatin1Char('/')) || font.contains(QLatin1Char('\\')) ||
        font.startsWith(QLatin1Char('@')))
        return refused(
            QStringLiteral("La fuente «%1» debe ser un fichero de la carpeta imgmagic, sin ruta")
                .arg(font));
    // convert reads "@file" and "%" escapes in a label's text; a page label is digits and blanks.
    static const QRegularExpression labelText(QStringLiteral("^[ 0-9]*$"));
    if (!labelText.match(text).hasMatch())
        return refused(QStringLiteral("El texto de etiqueta «%1» no es un número").arg(text));
    static const QRegularExpression digits(QStringLiteral("^[0-9]*$"));
    if (!digits.match(pointSize).hasMatch())
        return refused(QStringLiteral("El tamaño de letra «%1» no es un número").arg(pointSize));
    const QString scripts = scriptFolder.isEmpty() ? appFolder : scriptFolder;
    const QString problem =
        firstProblem(form, toolWords(tool) << font, {appFolder, scripts, labelPath});
    if (!problem.isEmpty())
        return refused(problem);

    const QString toolFolder = joined(form, appFolder, QStringLiteral("imgmagic"));
    const QString script = commandScriptPath(form, scripts);
    if (form == ScriptForm::WindowsBatch) {
        QString command;
        if (tool.inToolFolder) {
            command = QStringLiteral("convert");
        } else {
            command = batchQuoted(tool.program);
            for (const QString& word : tool.leadingArguments)
                command += QLatin1Char(' ') + batchWord(word);
        }
        command += QStringLiteral(" -background white +antialias -fill black -font ") +
                   batchWord(font) + QStringLiteral(" -pointsize ") + pointSize +
                   QStringLiteral(" label:") + batchQuoted(text) + QLatin1Char(' ') +
                   batchQuoted(outputName(labelPath));
        return finish(form,
                      {QStringLiteral("@echo off"), QStringLiteral("cd ") + batchQuoted(toolFolder),
                       command, QStringLiteral("cd ") + batchQuoted(appFolder),
                       QStringLiteral("del ") + batchQuoted(script)});
    }

    const QStringList words = toolWords(tool) + QStringList{QStringLiteral("-background"),
                                                            QStringLiteral("white"),
                                                            QStringLiteral("+antialias"),
                                                            QStringLiteral("-fill"),
                                                            QStringLiteral("black"),
                                                            QStringLiteral("-font"),
                                                            font,
                                                            QStringLiteral("-pointsize"),
                                                            pointSize,
                                                            QStringLiteral("label:") + text,
                                                            outputName(labelPath)};
    return finish(
        form,
        {QStringLiteral("#!/bin/sh"), QStringLiteral("cd -- ") + shellQuoted(toolFolder),
         shellWords(words), QStringLiteral("status=$?; cd -- ") + shellQuoted(appFolder),
         QStringLiteral("rm -f -- ") + shellQuoted(script) + QStringLiteral("; exit $status")});
}
