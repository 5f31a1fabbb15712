#include "sources/SourceBrowser.h"

#include "app/ComboBox.h"
#include "app/MainWindow.h"
#include "postfx/PageLabels.h"
#include "sources/DriveList.h"
#include "sources/FileList.h"
#include "sources/FolderList.h"
#include "sources/FolderTreeScan.h"

#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>

void SourceBrowser::connectHandlers() {
    MainWindow& w = w_;
    connect(w.Drive1, &DriveList::driveChanged, this, &SourceBrowser::Drive1_Change);
    connect(w.Dirs, &FolderList::pathChanged, this, &SourceBrowser::Dirs_Change);
    connect(w.TipoOrigen, &QComboBox::currentIndexChanged, this, &SourceBrowser::TipoOrigen_Change);
    connect(w.TipoOrigen, &QComboBox::editTextChanged, this, &SourceBrowser::TipoOrigen_Change);
    connect(w.Files, &FileList::rowClicked, this, &SourceBrowser::Files_Click);
    connect(w.LocalFiles, &FileList::rowClicked, this, &SourceBrowser::LocalFiles_Click);
    connect(w.LocalFiles2, &FileList::rowClicked, this, &SourceBrowser::LocalFiles2_Click);
    connect(w.Files, &FileList::rowDoubleClicked, this, &SourceBrowser::Files_DblClick);
    connect(w.LocalFiles, &FileList::rowDoubleClicked, this, &SourceBrowser::LocalFiles_DblClick);
    connect(w.LocalFiles2, &FileList::rowDoubleClicked, this, &SourceBrowser::LocalFiles2_DblClick);
    connect(w.cmdLoadTree, &QPushButton::clicked, this, &SourceBrowser::cmdLoadTree_Click);
    w.Files->installEventFilter(this);
}

bool SourceBrowser::eventFilter(QObject* watched, QEvent* event) {
    if (watched == w_.Files && event->type() == QEvent::FocusOut)
        Files_LostFocus();
    return QObject::eventFilter(watched, event);
}

void SourceBrowser::Drive1_Change() {
    MainWindow& w = w_;
    QString root = w.Drive1->drive();
#ifdef Q_OS_WIN
    root = root.left(2) + QLatin1Char('\\');
#endif
    if (w.Dirs->setPath(root)) {
        w.Dirs->refresh();
        return;
    }
    // A drive that is not ready keeps the folder shown; the drive list follows it back.
    const QSignalBlocker quiet(w.Drive1);
    for (int i = 0; i < w.Drive1->count(); ++i) {
        if (w.Dirs->path().startsWith(w.Drive1->itemText(i), Qt::CaseInsensitive))
            w.Drive1->setCurrentIndex(i);
    }
}

void SourceBrowser::showListsOfMode() {
    MainWindow& w = w_;
    const bool subtree = w.chkSubTree->isChecked();
    w.Files->setVisible(!subtree);
    w.LocalFiles->setVisible(!subtree);
    w.lstTree->setVisible(subtree);
    w.lstTreeAuto->setVisible(subtree);
}

void SourceBrowser::followBrowsedFolder() {
    MainWindow& w = w_;
    const QString folder = w.Dirs->path();
    w.Files->setPath(folder);
    w.LocalFiles->setPath(folder);
    w.v.CarpetaActual = folder;
    w.Files->setFileName(QString());
    w.LocalFiles->setFileName(QString());
}

void SourceBrowser::Dirs_Change() {
    showListsOfMode();
    if (!w_.chkSubTree->isChecked())
        followBrowsedFolder();
    numberingListFollows();
}

void SourceBrowser::numberingListFollows() {
    // Ticking a numbering side lists the browsed folder's pages; a ticked side lists them anew.
    if (w_.ChkNumeroNon->isChecked())
        w_.pageLabels().ChkNumeroNon_Click();
    else if (w_.ChkNumeroPar->isChecked())
        w_.pageLabels().ChkNumeroPar_Click();
}

void SourceBrowser::TipoOrigen_Change() {
    MainWindow& w = w_;
    showListsOfMode();
    if (w.chkSubTree->isChecked())
        return;
    const int row = w.TipoOrigen->listIndex();
    if (row < 0 || row >= OptionTables::kFormatRows)
        return; // a typed type that names no row keeps the current pattern
    const QString& pattern = w.tables.formats[row].pattern;
    w.Files->setPattern(pattern);
    w.LocalFiles->setPattern(pattern);
    numberingListFollows();
}

void SourceBrowser::Files_Click() {
    w_.v.FicheroActual = w_.Files->fileName();
    w_.v.CarpetaActual = w_.Dirs->path();
}

void SourceBrowser::LocalFiles_Click() {
    w_.v.FicheroActual = w_.LocalFiles->fileName();
    w_.v.CarpetaActual = w_.Dirs->path();
}

void SourceBrowser::LocalFiles2_Click() {
    w_.v.FicheroActual = w_.LocalFiles2->fileName();
    w_.v.CarpetaActual = w_.Dirs->path();
}

void SourceBrowser::openCropTabAndLoad(bool switchEnabledTabs) {
    MainWindow& w = w_;
    if (w.v.FicheroActual.isEmpty())
        return;
    const bool interactive = w.Interactivo->isChecked();
    if (switchEnabledTabs) {
        w.SSTab1->setTabEnabled(interactive ? 1 : 4, false);
        w.SSTab1->setTabEnabled(interactive ? 4 : 1, true);
    }
    w.SSTab1->setCurrentIndex(interactive ? 4 : 1);
    w.CargaImagen();
}

void SourceBrowser::Files_DblClick() {
    // The click that came before the double-click has already chosen the file.
    openCropTabAndLoad(true);
}

void SourceBrowser::LocalFiles_DblClick() {
    LocalFiles_Click();
    openCropTabAndLoad(true);
}

void SourceBrowser::LocalFiles2_DblClick() {
    LocalFiles2_Click();
    openCropTabAndLoad(false);
}

void SourceBrowser::Files_LostFocus() {
    CopiaListaFicheros();
}

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

void SourceBrowser::cmdLoadTree_Click() {
    MainWindow& w = w_;
    w.lstTree->clear();
    w.lstTreeAuto->clear();
    const int row = w.TipoOrigen->listIndex();
    // A typed type that names no row scans for the pattern the lists already use.
    const QString patterns = row >= 0 && row < OptionTables::kFormatRows
                                 ? w.tables.formats[row].pattern
                                 : w.Files->pattern();
    ExploraCarpeta(w.v.CarpetaActual, patterns);
    w.lstTree->repaint();
    w.lstTreeAuto->repaint();
}

void SourceBrowser::ExploraCarpeta(const QString& folder, const QString& patternList) {
    QStringList paths;
    scanFolderTree(folder, patternList, [&paths](const QString& path) { paths << path; });
    w_.lstTree->addItems(paths);
    w_.lstTreeAuto->addItems(paths);
}
