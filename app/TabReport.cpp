#include "app/TabReport.h"

#include "app/MainWindow.h"
#include "app/ProgressList.h"

void TabReport::appendLine(const QString& text) {
    list_.appendLine(text);
}

void TabReport::appendHeader(const QString& text) {
    list_.appendHeader(text);
}

void TabReport::appendFailure(const QString& text) {
    list_.appendFailure(text);
}

void TabReport::pagesWritten(const QString& folder) {
    emit w_.pagesWritten(folder);
}
