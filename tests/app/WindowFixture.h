#pragma once

#include "app/MainWindow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <memory>

// A window opened in a folder of its own, with a program folder whose "imgmagic" holds the given
// font files, so that no test depends on the machine's folders.
class WindowFixture {
public:
    explicit WindowFixture(const QStringList& fonts = {},
                           const QStringList& scans = {QStringLiteral("a.jpg")}) {
        const QDir base(root_.path());
        base.mkpath(QStringLiteral("program/imgmagic"));
        base.mkpath(QStringLiteral("scans"));
        for (const QString& font : fonts)
            touch(base.filePath(QStringLiteral("program/imgmagic/") + font));
        for (const QString& scan : scans)
            touch(base.filePath(QStringLiteral("scans/") + scan));
        previous_ = QDir::currentPath();
        QDir::setCurrent(scansFolder());
        window = std::make_unique<MainWindow>(base.filePath(QStringLiteral("program")));
    }
    ~WindowFixture() {
        window.reset();
        QDir::setCurrent(previous_);
    }

    QString scansFolder() const { return QDir(root_.path()).filePath(QStringLiteral("scans")); }
    QString path(const QString& relative) const { return QDir(root_.path()).filePath(relative); }

    static void touch(const QString& file) {
        QDir().mkpath(QFileInfo(file).path());
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        f.write("x");
    }

    std::unique_ptr<MainWindow> window;

private:
    QTemporaryDir root_;
    QString previous_;
};
