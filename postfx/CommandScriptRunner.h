#pragma once

#include "postfx/CommandScript.h"

#include <QByteArray>
#include <QString>
#include <optional>

// Writes a command script into the program folder, runs it as a separate process and waits for
// it, never longer than a time limit. One script at a time: the script has one name.
class CommandScriptRunner {
public:
    enum class Wait {
        Blocking,         // the window takes no events until the script ends
        ProcessingEvents, // the window goes on taking its events meanwhile
    };

    // convert as the program folder `appFolder` finds it: its own imgmagic/convert, else convert
    // (ImageMagick 6) or magick (ImageMagick 7) on the PATH; nothing when there is none.
    static std::optional<ConvertTool> findConvert(const QString& appFolder);

    // Where the command scripts of the program folder `appFolder` are written: that folder
    // itself, or, when it cannot be written (an installed program), the user's own data folder
    // for the program.
    static QString scriptFolderFor(const QString& appFolder);
    // The user's own data folder for the program, made when missing.
    static QString userDataFolder();

    // The text to show when findConvert finds nothing.
    static QString missingConvertText();

    // Writes `script` (made by the builder for `appFolder`) and runs it. Returns an empty text
    // when the script ran to its end and convert succeeded; otherwise what went wrong, for the
    // operator: convert's own message, a time-out (the process is ended), or a script that could
    // not be written or started. The script is never left behind.
    QString run(const QString& appFolder, const QByteArray& script, Wait wait);

    bool isRunning() const { return running_; }

    // A minute unless changed.
    void setTimeLimitMs(int milliseconds) { timeLimitMs_ = milliseconds; }
    int timeLimitMs() const { return timeLimitMs_; }

private:
    bool running_ = false;
    int timeLimitMs_ = 60000;
};
