#pragma once

#include <QListWidget>

// A progress list of the crop tabs. Lines are only appended; the list is never trimmed.
// The runs do not return to the event loop while they work, so every full append repaints the
// list itself.
class ProgressList : public QListWidget {
    Q_OBJECT
public:
    explicit ProgressList(QWidget* parent = nullptr);

    // Adds a line, selects it and scrolls so that the newest ten lines are in view.
    void appendLine(const QString& text);
    // Adds a line without selecting or scrolling; the caller appends the line naming the file next.
    void appendHeader(const QString& text);
    // Adds a line saying that something the run was asked to do failed or was left out; the
    // run goes on, but whoever started it learns of the failure (failureAppended).
    void appendFailure(const QString& text);
    // Adds "PROCESO CANCELADO"-style lines: selected and redrawn, the view left where it is.
    void appendCancelLine(const QString& text);

    int listIndex() const { return currentRow(); }
    int topIndex() const;
    void setTopIndex(int row);

    // First visible row once a list of `count` lines has its last line selected.
    static int topIndexAfterAppend(int count);

signals:
    void lineAppended(const QString& text);
    void failureAppended(const QString& text);

private:
    void addText(const QString& text);
    int widest_ = 0;
};
