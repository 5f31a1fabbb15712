#pragma once

#include "crop/AutomaticRecipe.h"
#include "crop/CutRecord.h"
#include "crop/FollowedReference.h"
#include "crop/OutputNames.h"
#include "crop/PageOutput.h"
#include "crop/PagePipeline.h"
#include "crop/PageSettings.h"

#include <QObject>
#include <QString>

#include <memory>

class BatchAhead;
class ImageBox;
struct ScanAhead;
class MainWindow;

// The automatic crop tab's runs: one scan, a test that writes nothing, and the batch over the
// selected files (or the folder tree), with its cancel label.
class AutomaticCrop : public QObject {
    Q_OBJECT
public:
    explicit AutomaticCrop(MainWindow& window) : w_(window) {}
    void connectHandlers();

    void CortaUna_Click();
    void Probar_Click();
    void CortaLote_Click();
    void Cancelar_Click();

    // Cuts the loaded scan into its pages, shows them and, when `Graba`, writes them. In a
    // batch, `scanAhead` holds what the workers made ahead for this scan, and `batch` learns
    // what the next scans take.
    void RecortaAutomatico(bool Graba, ScanAhead* scanAhead = nullptr, BatchAhead* batch = nullptr);

private:
    void runOne(bool Graba);
    // After a load: false (with the block of lines closed) when the scan could not be read.
    bool scanLoaded();
    // What the pages of the loaded scan take, as the controls set them now.
    AutomaticRecipe recipeFromWindow(const OutputSettings& settings, bool Graba);
    // Puts a page made from the scan into its box, with its lines; false when it was not made.
    bool commitPage(ImageBox* page, PreparedPage& prepared, bool leftPage);
    void showPage(ImageBox* page, const QString& fileName, bool leftPage);
    void writePages(const PageBaseNames& names, const OutputSettings& settings, bool Graba,
                    const QList<PreparedPage>& prepared);
    // With "Seguir el libro" ticked, the book on the scan on screen as a run starts becomes the
    // one its scans follow; with no scan on screen, the first scan the run loads.
    void takeReference();
    // The book the run in progress follows, once its reference scan is known.
    std::shared_ptr<const BookReference> followingBook();

    MainWindow& w_;
    // A full disk met by the batch in progress: it takes no further scan.
    bool diskFull_ = false;
    // What earlier runs cut, for skipping it; read anew by every run.
    CutRecord cutRecord_;
    // The digest of the settings the run in progress cuts with, read as it started.
    QByteArray runSettings_;
    // The scan being cut got every page as its settings ask (watermark, effects): only then is
    // it recorded as cut.
    bool scanWhole_ = true;
    // The scan the run in progress follows the book from.
    FollowedReference follow_;
};
