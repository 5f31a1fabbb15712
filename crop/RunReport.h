#pragma once

#include <QString>

// Where a crop run says how it goes: the lines of its tab's progress list, and the folders it
// wrote pages into. The runs report through this alone, so that they need no window.
class RunReport {
public:
    virtual ~RunReport() = default;
    // A line of progress, selected and scrolled into view.
    virtual void appendLine(const QString& text) = 0;
    // A line whose next line names the file it is about.
    virtual void appendHeader(const QString& text) = 0;
    // Something the run was asked to do failed or was left out; the run goes on, but whoever
    // started it learns of the failure.
    virtual void appendFailure(const QString& text) = 0;
    // Page files were written into `folder`.
    virtual void pagesWritten(const QString& folder) = 0;

protected:
    RunReport() = default;
    RunReport(const RunReport&) = default;
    RunReport& operator=(const RunReport&) = default;
};
