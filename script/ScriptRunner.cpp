#include "script/ScriptRunner.h"

#include "app/BookPdfTab.h"
#include "app/MainWindow.h"
#include "app/ProgressList.h"
#include "script/ScriptActions.h"
#include "script/ScriptProperties.h"

#include <QMetaObject>

namespace {

// A name that differs only in case, to point out a likely typing slip.
QString nearName(const MainWindow& window, const QString& name) {
    QStringList known = WorkingValues::names();
    known << QStringLiteral("SSTab1");
    for (const QWidget* control : window.controls())
        known << control->objectName();
    for (const QString& candidate : known) {
        if (candidate.compare(name, Qt::CaseInsensitive) == 0)
            return QStringLiteral(" (did you mean ") + candidate + QStringLiteral("?)");
    }
    return {};
}

} // namespace

ScriptRunner::ScriptRunner(MainWindow& window, Output out, Output err)
    : w_(window), out_(std::move(out)), err_(std::move(err)) {
    for (ProgressList* list : {w_.ListaProceso, w_.lstActividad, w_.lstNumeracion, w_.lstPDF}) {
        connect(list, &ProgressList::lineAppended, this,
                [this, list](const QString& text) { onLineAppended(list, text); });
        connect(list, &ProgressList::failureAppended, this, [this] { somethingFailed_ = true; });
    }
    connect(&w_.bookPdf(), &BookPdfTab::runEnded, this, [this] {
        if (!waitingForPdf_)
            return;
        waitingForPdf_ = false;
        QMetaObject::invokeMethod(this, &ScriptRunner::step, Qt::QueuedConnection);
    });
}

bool ScriptRunner::load(const QString& text) {
    ParsedScript parsed = parseScript(text);
    if (parsed.error) {
        fail(parsed.error->line, parsed.error->reason);
        return false;
    }
    for (const ScriptStatement& statement : parsed.statements) {
        const QString problem = checkNames(statement);
        if (!problem.isEmpty()) {
            fail(statement.line, problem);
            return false;
        }
    }
    statements_ = std::move(parsed.statements);
    next_ = 0;
    return true;
}

QString ScriptRunner::checkNames(const ScriptStatement& statement) const {
    switch (statement.verb) {
    case ScriptVerb::Tab:
        return {};
    case ScriptVerb::When:
        return checkNames(*statement.then);
    case ScriptVerb::Print: {
        const std::optional<PropertyReference> ref =
            parsePropertyReference(statement.args[0], nullptr);
        if (scriptPrintableName(w_, ref->name))
            return {};
        return QStringLiteral("unknown control or value '") + ref->name + QLatin1Char('\'') +
               nearName(w_, ref->name);
    }
    default:
        break;
    }
    const QString& name = statement.args[0];
    if (w_.control(name))
        return {};
    if (name == QLatin1String("SSTab1"))
        return QStringLiteral("SSTab1 is the tab control: use 'tab N'");
    if (WorkingValues::names().contains(name))
        return name + QStringLiteral(" is a working value: a script can only print it");
    return QStringLiteral("unknown control '") + name + QLatin1Char('\'') + nearName(w_, name);
}

QString ScriptRunner::execute(const ScriptStatement& s) {
    const QStringList& a = s.args;
    QWidget* control =
        s.verb == ScriptVerb::Tab || s.verb == ScriptVerb::When || s.verb == ScriptVerb::Print
            ? nullptr
            : w_.control(a[0]);
    switch (s.verb) {
    case ScriptVerb::Set:
    case ScriptVerb::Select:
    case ScriptVerb::Click:
    case ScriptVerb::DoubleClick:
    case ScriptVerb::Pointer: {
        const QString unreachable = scriptReachability(w_, control);
        if (!unreachable.isEmpty())
            return unreachable;
        break;
    }
    default:
        break;
    }

    switch (s.verb) {
    case ScriptVerb::Set:
        return scriptSet(w_, control, a[1]);
    case ScriptVerb::Select:
        return scriptSelect(w_, control, a.mid(1));
    case ScriptVerb::Click:
        return scriptClick(w_, control, a.size() > 1 ? std::optional<QString>(a[1]) : std::nullopt);
    case ScriptVerb::DoubleClick:
        return scriptDoubleClick(w_, control, a[1]);
    case ScriptVerb::Tab:
        return scriptTab(w_, *parseWholeNumber(a[0]));
    case ScriptVerb::Pointer:
        return scriptPointer(w_, control, a[1], *parsePointerButton(a[2]), a[3].toDouble(),
                             a[4].toDouble());
    case ScriptVerb::Save:
        return scriptSave(w_, control, a[1]);
    case ScriptVerb::When: {
        auto* list = qobject_cast<ProgressList*>(w_.control(a[0]));
        watches_ << Watch{list, a[1], *parseWholeNumber(a[2]), s.then};
        return {};
    }
    case ScriptVerb::Print: {
        QString error;
        const std::optional<QStringList> lines =
            scriptPrint(w_, *parsePropertyReference(a[0], nullptr), &error);
        if (!lines)
            return error;
        for (const QString& line : *lines)
            out_(line);
        return {};
    }
    }
    return {};
}

void ScriptRunner::start() {
    QMetaObject::invokeMethod(this, &ScriptRunner::step, Qt::QueuedConnection);
}

void ScriptRunner::step() {
    if (finished_)
        return;
    if (depth_ > 0) {
        // A handler yielded to the event loop: the next statement waits until it returns.
        stepDue_ = true;
        return;
    }
    if (w_.bookPdf().isRunning()) {
        // The book's PDF is made off the window's thread: the script goes on once it is done.
        waitingForPdf_ = true;
        return;
    }
    if (next_ >= statements_.size()) {
        if (queued_ > 0)
            QMetaObject::invokeMethod(this, &ScriptRunner::step, Qt::QueuedConnection);
        else
            finish(somethingFailed_ ? 1 : 0);
        return;
    }
    const ScriptStatement& statement = statements_[next_++];
    ++depth_;
    const QString problem = execute(statement);
    --depth_;
    if (!problem.isEmpty())
        fail(statement.line, problem);
    if (finished_)
        return;
    stepDue_ = false;
    QMetaObject::invokeMethod(this, &ScriptRunner::step, Qt::QueuedConnection);
}

void ScriptRunner::runQueued(const std::shared_ptr<const ScriptStatement>& statement) {
    --queued_;
    if (finished_)
        return;
    ++depth_;
    const QString problem = execute(*statement);
    --depth_;
    if (!problem.isEmpty()) {
        fail(statement->line, problem);
        if (depth_ > 0 && abort_)
            abort_(status_);
        return;
    }
    if (depth_ == 0 && stepDue_) {
        stepDue_ = false;
        QMetaObject::invokeMethod(this, &ScriptRunner::step, Qt::QueuedConnection);
    }
}

void ScriptRunner::onLineAppended(ProgressList* list, const QString& text) {
    out_(list->objectName() + QStringLiteral(": ") + scriptText(text));
    if (finished_)
        return;
    for (qsizetype k = 0; k < watches_.size();) {
        Watch& watch = watches_[k];
        if (watch.list != list || watch.text != text || --watch.remaining > 0) {
            ++k;
            continue;
        }
        const std::shared_ptr<const ScriptStatement> then = watch.then;
        watches_.removeAt(k);
        ++queued_;
        QMetaObject::invokeMethod(
            this, [this, then] { runQueued(then); }, Qt::QueuedConnection);
    }
}

void ScriptRunner::fail(int line, const QString& reason) {
    if (finished_)
        return;
    finished_ = true;
    status_ = 2;
    err_(QStringLiteral("pliego: line %1: ").arg(line) + reason);
    emit finished(status_);
}

void ScriptRunner::finish(int status) {
    finished_ = true;
    status_ = status;
    w_.close();
    emit finished(status_);
}
