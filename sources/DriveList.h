#pragma once

#include <QComboBox>

// The drives of the machine (one entry, "/", where the file system has a single root).
class DriveList : public QComboBox {
    Q_OBJECT
public:
    explicit DriveList(QWidget* parent = nullptr);

    QString drive() const { return currentText(); }
    // Chooses a listed drive; returns false for one that is not listed.
    bool setDrive(const QString& drive);

signals:
    void driveChanged();
};
