#pragma once

#include "script/ScriptParser.h"

#include <QList>
#include <QObject>
#include <functional>
#include <memory>

class MainWindow;
class ProgressList;

// Runs a script on the window, one statement each time the window's event loop comes round, as
// a person's actions arrive; while the book's PDF is being made, the next statement waits for it.
// Every line appended to the progress lists is written out as "LIST: TEXT" at once. The first
// statement that cannot be carried out is reported as "pliego: line N: REASON" and ends the run
// with status 2; after the last statement the window is closed as a person closes it and the run
// ends with status 0, or 1 when a run it started reported a failure in its list (a scan not read, a
// page not written, a stopped batch, a PDF not written).
class ScriptRunner : public QObject {
    Q_OBJECT
public:
    using Output = std::function<void(const QString& line)>;

    ScriptRunner(MainWindow& window, Output out, Output err);

    // Parses the script and checks every name in it; on the first fault reports it and returns
    // false (nothing has run).
    bool load(const QString& text);

    // Starts running the loaded statements once the event loop is entered.
    void start();

    // Called, when set, if a statement queued by `when` fails while a handler is still running
    // (for example between the scans of a batch): the program must stop at once rather than
    // let the handler go on. The failure has already been reported.
    void setAbortHandler(std::function<void(int status)> abort) { abort_ = std::move(abort); }

    bool isFinished() const { return finished_; }
    int status() const { return status_; }

signals:
    void finished(int status);

private:
    struct Watch {
        ProgressList* list = nullptr;
        QString text;
        int remaining = 0;
        std::shared_ptr<const ScriptStatement> then;
    };

    QString checkNames(const ScriptStatement& statement) const;
    QString execute(const ScriptStatement& statement);
    void step();
    void runQueued(const std::shared_ptr<const ScriptStatement>& statement);
    void onLineAppended(ProgressList* list, const QString& text);
    void fail(int line, const QString& reason);
    void finish(int status);

    MainWindow& w_;
    Output out_;
    Output err_;
    std::function<void(int)> abort_;
    QList<ScriptStatement> statements_;
    qsizetype next_ = 0;
    QList<Watch> watches_;
    int depth_ = 0;        // statements being carried out (a queued one may run inside another)
    int queued_ = 0;       // statements queued by `when` and not yet run
    bool stepDue_ = false; // the next statement waits for the running one to return
    bool waitingForPdf_ = false; // the next statement waits for the book's PDF to be made
    bool finished_ = false;
    bool somethingFailed_ = false;
    int status_ = 0;
};
