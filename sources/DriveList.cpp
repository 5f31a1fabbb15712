#include "sources/DriveList.h"

#include <QDir>

DriveList::DriveList(QWidget* parent) : QComboBox(parent) {
    for (const QFileInfo& drive : QDir::drives())
        addItem(QDir::toNativeSeparators(drive.absoluteFilePath()));
    const QString current = QDir::toNativeSeparators(QDir::current().absolutePath());
    for (int i = 0; i < count(); ++i) {
        if (current.startsWith(itemText(i), Qt::CaseInsensitive))
            setCurrentIndex(i);
    }
    connect(this, &QComboBox::currentIndexChanged, this, [this] { emit driveChanged(); });
}

bool DriveList::setDrive(const QString& drive) {
    for (int i = 0; i < count(); ++i) {
        if (itemText(i).compare(drive, Qt::CaseInsensitive) == 0) {
            setCurrentIndex(i);
            return true;
        }
    }
    return false;
}
