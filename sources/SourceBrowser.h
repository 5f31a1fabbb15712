#pragma once

#include <QObject>

class MainWindow;

// The scans to crop: drive, folder, type and file lists on the first tab, their mirroring into
// the file lists of the crop tabs, and the scan of a folder tree.
class SourceBrowser : public QObject {
    Q_OBJECT
public:
    explicit SourceBrowser(MainWindow& window) : w_(window) {}
    void connectHandlers();

    void Drive1_Change();
    void Dirs_Change();
    void TipoOrigen_Change();
    void Files_Click();
    void LocalFiles_Click();
    void LocalFiles2_Click();
    void Files_DblClick();
    void LocalFiles_DblClick();
    void LocalFiles2_DblClick();
    void Files_LostFocus();
    void cmdLoadTree_Click();

    // Carries the browsed folder, file and pattern to the file list of the chosen crop tab.
    void CopiaListaFicheros();
    // Appends every matching file below the folder to both tree lists.
    void ExploraCarpeta(const QString& folder, const QString& patternList);

    // Shows the file lists in folder mode and the tree lists in subtree mode.
    void showListsOfMode();
    // Points both automatic-tab file lists and the current folder at the browsed folder, with
    // no current file.
    void followBrowsedFolder();
    // Keeps the page list of the numbering tab on the browsed folder and type while a numbering
    // side is ticked.
    void numberingListFollows();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void openCropTabAndLoad(bool switchEnabledTabs);

    MainWindow& w_;
};
