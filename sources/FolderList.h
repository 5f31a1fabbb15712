#pragma once

#include <QListWidget>

// Chooses a folder: the rows show the chain of folders from the root down to the current one,
// then its subfolders. Double-clicking a row (or Enter) opens that folder.
class FolderList : public QListWidget {
    Q_OBJECT
public:
    explicit FolderList(QWidget* parent = nullptr);

    QString path() const { return path_; }
    // Opens a folder. A folder that cannot be read is refused: the current folder and rows stay
    // as they are and false is returned. Emits pathChanged when the folder changes.
    bool setPath(const QString& folder);
    void refresh();
    // The full path shown on a row.
    QString folderOfRow(int row) const;

signals:
    void pathChanged();

private:
    QString path_;
};
