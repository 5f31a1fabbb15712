#pragma once

#include "app/MainWindow.h"

#include <QDir>
#include <QDirIterator>
#include <QListWidget>
#include <QSet>
#include <QTemporaryDir>
#include <memory>

// A window whose program folder (named as a test needs, inside a folder of its own) holds the
// tool folder the build lays out (fonts, effect sample); ImageMagick is the machine's own. The
// window opens on a folder of scans, also named as the test needs.
struct ToolFolderWindow {
    explicit ToolFolderWindow(const QString& programName = "program",
                              const QString& scansName = "scans")
        : program(path(programName)), scans(path(scansName)) {
        QDir().mkpath(program + "/imgmagic");
        QDir().mkpath(scans);
        const QDir tools(QStringLiteral(PLIEGO_TOOL_DIR));
        for (const QString& name : tools.entryList(QDir::Files))
            QFile::copy(tools.filePath(name), program + "/imgmagic/" + name);
        QDir::setCurrent(scans);
        window = std::make_unique<MainWindow>(program);
    }
    ~ToolFolderWindow() {
        window.reset();
        QDir::setCurrent(previous);
    }

    MainWindow& w() { return *window; }
    QString root() const { return folder.path(); }
    QString path(const QString& relative) const { return QDir(root()).filePath(relative); }
    bool scriptLeftBehind() const { return QFile::exists(program + "/imgmagick.sh"); }

    // Every file below the test's folder, by path relative to it.
    QSet<QString> files() const {
        QSet<QString> found;
        QDirIterator it(root(), QDir::Files | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            found.insert(QDir(root()).relativeFilePath(it.next()));
        return found;
    }

    QTemporaryDir folder; // first: the paths below are made from it
    const QString previous = QDir::currentPath();
    const QString program;
    const QString scans;
    std::unique_ptr<MainWindow> window;
};

inline QStringList linesOf(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// An environment variable changed for the rest of a scope.
class EnvironmentChange {
public:
    EnvironmentChange(const char* name, const QByteArray& value)
        : name_(name), old_(qgetenv(name)) {
        qputenv(name, value);
    }
    ~EnvironmentChange() { qputenv(name_, old_); }

private:
    const char* name_;
    QByteArray old_;
};
