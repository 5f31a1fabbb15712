#pragma once

#include "crop/CutRecord.h"
#include "crop/FollowedReference.h"
#include "crop/InteractiveRecipe.h"
#include "crop/PageOutput.h"
#include "crop/PagePipeline.h"
#include "crop/PageSettings.h"

#include <QObject>
#include <QString>

#include <memory>

class BatchAhead;
class MainWindow;
class PageFiles;
struct ScanAhead;

// The interactive crop tab: a test of the settings on the scan on screen, a cut of that scan
// followed by loading the next, and a batch over the rest of the selection (or the folder tree),
// page by page with optional dark-margin trimming.
class InteractiveCrop : public QObject {
    Q_OBJECT
public:
    explicit InteractiveCrop(MainWindow& window) : w_(window) {}
    void connectHandlers();

    void cmdICPrueba_Click();
    void cmdICorte_Click();
    void cmdICLote_Click();
    void Cancelar2_Click();
    void GreyTolerance_Change();

    // One scan of the selection (or the first entry of the folder tree): loaded and cut.
    void ProcesaListaInteractiva(bool Graba);
    // Cuts the loaded scan page by page, shows each page and, when `Graba`, writes it. In a
    // batch, `scanAhead` holds what the workers made ahead for scan `batchIndex` of `batch`,
    // and `batch` learns what the next scans take.
    void RecortaInteractivo(bool Graba, ScanAhead* scanAhead = nullptr, BatchAhead* batch = nullptr,
                            int batchIndex = 0);

    // Row of the file list where the next step of ProcesaListaInteractiva looks for a selected
    // scan; kept for the life of the window.
    qint32 PosicionLote = 0;

private:
    struct Remembered {
        QString folder;
        QString file;
    };
    Remembered remember() const;
    void restore(const Remembered& saved);
    void applyRotation();
    void sideFromOption();
    void alternate();
    // The first selected row of the tab's file list from `from` on, or -1.
    int firstSelectedRow(int from = 0) const;
    // The folder and file of the first entry of the folder-tree list.
    void takeFirstTreeEntry();
    void dropFirstTreeEntry();
    // After a load: false, with a line, when the scan could not be read.
    bool scanLoaded();
    void showResultBox(bool result);
    // What the pages of the loaded scan take, as the controls set them now.
    InteractiveRecipe recipeFromWindow(const OutputSettings& settings, bool Graba, int tolerance);
    // One page of the loaded scan (`scanPath`), of the side in PaginaActiva: shown, with its
    // lines, and written beside the scan. True when it came out whole (trimmed, stamped and
    // through its effects as asked) and was written.
    bool commitPage(bool Graba, PageFiles& files, PreparedPage& prepared, const QString& scanPath);

    // The digest of the settings the pages of a scan are cut with in this run, `sides` included.
    QByteArray cutSettings(const QStringList& sides);
    // With "Seguir el libro" ticked, the book on the scan on screen as a press starts becomes the
    // one its scans follow; with no scan on screen, the first scan the press loads.
    void takeReference();
    // The book the press in progress follows, once its reference scan is known.
    std::shared_ptr<const BookReference> followingBook();

    MainWindow& w_;
    // A full disk met by the run in progress: it writes nothing more and takes no further scan.
    bool diskFull_ = false;
    // What earlier runs cut, for skipping it; read anew by every run.
    CutRecord cutRecord_;
    // The settings the run in progress cuts with, read as it started.
    QString runSettingsText_;
    // The scan the press in progress follows the book from.
    FollowedReference follow_;
};
