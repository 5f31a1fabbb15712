#pragma once

#include "crop/RunReport.h"

class MainWindow;
class ProgressList;

// A crop run's report as a tab of the window shows it: the lines go to the tab's progress list,
// and the folders written into to the window, for the tabs that follow them.
class TabReport final : public RunReport {
public:
    TabReport(MainWindow& window, ProgressList& list) : w_(window), list_(list) {}

    void appendLine(const QString& text) override;
    void appendHeader(const QString& text) override;
    void appendFailure(const QString& text) override;
    void pagesWritten(const QString& folder) override;

private:
    MainWindow& w_;
    ProgressList& list_;
};
