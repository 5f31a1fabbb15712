#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The command script that runs ImageMagick's convert for the effects and the page-number labels.
// One builder writes it in two forms: the Windows batch file "imgmagick.bat" (lines ended by CR
// LF, quotes exactly where the batch format has them, text in the local 8-bit code page) and, on
// other systems, the same lines as a POSIX sh script "imgmagick.sh" (UTF-8) in which every
// argument is single-quoted, so that no name or typed text is ever read by the shell. Both forms
// delete themselves as their last line.
//
// Whatever the operator typed reaches convert as exactly one argument. Texts that no quoting can
// carry safely, and texts that convert itself would take for a file to read or an option, are
// refused: the script is then not written and `problem` says why.

enum class ScriptForm { WindowsBatch, PosixShell };

// The form of the system the program runs on.
ScriptForm nativeScriptForm();

// ImageMagick's convert as a script calls it.
struct ConvertTool {
    QString program;              // full path of the program
    QStringList leadingArguments; // {"convert"} when the program is ImageMagick 7's magick
    bool inToolFolder = false;    // the program folder's own imgmagic/convert
};

// One effect row: the ImageMagick option of the effect and the parameter the operator typed.
struct EffectStep {
    QString option;
    QString parameter;
};

// A script's text, or the reason none could be written (then `text` is empty).
struct CommandScript {
    QByteArray text;
    QString problem;
};

// The full path of the script in the program folder `appFolder`.
QString commandScriptPath(ScriptForm form, const QString& appFolder);

// Whether an effect option takes a parameter: "-contrast" and "+contrast" take none.
bool effectTakesValue(const QString& option);

// Three lines: convert with every step in order, from `input` to `output` (absolute paths; both
// the same file to change a page in place).
// `scriptFolder` is where the script is written (and deletes itself from): the program folder
// unless another is given.
CommandScript effectScript(ScriptForm form, const QString& appFolder, const ConvertTool& tool,
                           const QList<EffectStep>& steps, const QString& input,
                           const QString& output, const QString& scriptFolder = QString());

// Five lines: from the tool folder (where the font file lies), convert draws `text` (digits and
// blanks) in black on white with `font` at `pointSize` into the picture `labelPath`.
CommandScript labelScript(ScriptForm form, const QString& appFolder, const ConvertTool& tool,
                          const QString& font, const QString& pointSize, const QString& text,
                          const QString& labelPath, const QString& scriptFolder = QString());
