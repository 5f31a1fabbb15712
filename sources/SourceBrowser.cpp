#include "sources/SourceBrowser.h"

#include "app/MainWindow.h"
#include "sources/FileList.h"

#include <QCheckBox>

void SourceBrowser::connectHandlers() {}

void SourceBrowser::CopiaListaFicheros() {
    MainWindow& w = w_;
    if (w.chkSubTree->isChecked())
        return;
    FileList* target = w.Interactivo->isChecked() ? w.LocalFiles2 : w.LocalFiles;
    target->setPath(w.Files->path());
    target->setPattern(w.Files->pattern());
    target->setFileName(w.Files->fileName());
    if (target == w.LocalFiles)
        return;
    // Rows selected in the browser are selected here too; the others keep their state.
    for (int row = 0; row < w.LocalFiles2->count(); ++row) {
        if (w.Files->isRowSelected(row))
            w.LocalFiles2->setRowSelected(row, true);
    }
}
