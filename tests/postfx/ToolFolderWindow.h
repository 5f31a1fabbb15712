#pragma once

#include "app/MainWindow.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QListWidget>
#include <QSet>
#include <QTemporaryDir>
#include <memory>

// A window whose program folder (named as a test needs, inside a folder of its own) holds the
// tool folder the build lays out (fonts, effect sample); ImageMagick is the machine's own. The
// window opens on a folder of scans, also named as the test needs.
class ToolFolderWindow {
public:
    explicit ToolFolderWindow(const QString& programName = "program",
                              const QString& scansName = "scans")
        : program_(QDir(root_.path()).filePath(programName)),
          scans_(QDir(root_.path()).filePath(scansName)) {
        QDir().mkpath(program_ + "/imgmagic");
        QDir().mkpath(scans_);
        const QDir tools(QStringLiteral(PLIEGO_TOOL_DIR));
        for (const QString& name : tools.entryList(QDir::Files))
            QFile::copy(tools.filePath(name), program_ + "/imgmagic/" + name);
        previous_ = QDir::currentPath();
        QDir::setCurrent(scans_);
        window = std::make_unique<MainWindow>(program_);
    }
    ~ToolFolderWindow() {
        window.reset();
        QDir::setCurrent(previous_);
    }

    MainWindow& w() { return *window; }
    QString root() const { return root_.path(); }
    QString program() const { return program_; }
    QString scans() const { return scans_; }
    QString path(const QString& relative) const { return QDir(root_.path()).filePath(relative); }
    bool scriptLeftBehind() const { return QFile::exists(program_ + "/imgmagick.sh"); }

    // Every file below the test's folder, by path relative to it.
    QSet<QString> files() const {
        QSet<QString> found;
        QDirIterator it(root_.path(), QDir::Files | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            found.insert(QDir(root_.path()).relativeFilePath(it.next()));
        return found;
    }

    std::unique_ptr<MainWindow> window;

private:
    QTemporaryDir root_;
    QString program_;
    QString scans_;
    QString previous_;
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
