#pragma once

#include <QListWidget>

// The files of one folder whose names match a pattern list such as "*.jpg;*.jpeg" (without
// regard to case), in name order. Single or extended multiple selection.
class FileList : public QListWidget {
    Q_OBJECT
public:
    FileList(bool multipleSelection, QWidget* parent = nullptr);

    QString path() const { return path_; }
    void setPath(const QString& folder);
    QString pattern() const { return pattern_; }
    void setPattern(const QString& patternList);
    // The name of the current row, empty when there is none.
    QString fileName() const;
    // Makes the named row current; an empty or unknown name leaves no current row.
    void setFileName(const QString& name);
    // Lists the folder again.
    void refresh();

    // What a click or double-click on a row does: the row becomes current (and selected), then
    // the list reports it. Used by the mouse and by anything that acts for the operator.
    void clickRow(int row);
    void doubleClickRow(int row);

    bool isRowSelected(int row) const;
    // The selected rows' names joined to `folder`, in list order.
    QStringList selectedPaths(const QString& folder) const;
    void setRowSelected(int row, bool selected);

signals:
    // An entry was clicked or double-clicked by the operator.
    void rowClicked();
    void rowDoubleClicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QString path_;
    QString pattern_ = QStringLiteral("*.jpg;*.jpeg");
    QString listedPath_;
    QString listedPattern_;
};
