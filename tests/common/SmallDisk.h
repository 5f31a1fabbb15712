#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <sched.h>
#include <sys/mount.h>

// A small disk of its own for tests of a full disk: a tmpfs of the given size, mounted in a mount
// namespace private to the calling thread and the processes it starts. Nothing outside the test
// sees it, and nothing stays mounted should the test die. Making the namespace takes the right
// to mount (root, as CI runs); where that is missing, reason() says so and the test skips.
class SmallDisk {
public:
    explicit SmallDisk(qint64 bytes) {
        if (!folder_.isValid()) {
            reason_ = QStringLiteral("no temporary folder for the mount");
            return;
        }
        const QByteArray options = "size=" + QByteArray::number(bytes);
        if (::unshare(CLONE_NEWNS) != 0)
            refuse("a private mount namespace cannot be made here");
        // Mounts made from here on stay in this namespace.
        else if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            refuse("the mounts cannot be made private");
        else if (::mount("pliego-test", QFile::encodeName(path()).constData(), "tmpfs", 0,
                         options.constData()) != 0)
            refuse("a tmpfs cannot be mounted");
        else
            mounted_ = true;
    }
    ~SmallDisk() {
        if (mounted_)
            ::umount2(QFile::encodeName(path()).constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool isReady() const { return mounted_; }
    QString reason() const { return reason_; }
    QString path() const { return folder_.path(); }

private:
    void refuse(const char* what) {
        reason_ = QStringLiteral("%1 (%2)").arg(QLatin1String(what),
                                                QString::fromLocal8Bit(std::strerror(errno)));
    }

    QTemporaryDir folder_;
    QString reason_;
    bool mounted_ = false;
};
