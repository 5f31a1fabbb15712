#include "app/AutomaticCrop.h"
#include "crop/AutomaticOutput.h"
#include "crop/BatchAhead.h"
#include "crop/BatchRun.h"
#include "crop/PageFiles.h"
#include "crop/PageSettings.h"
#include "crop/ScanPages.h"
#include "crop/SelectionRefusal.h"

#include "app/ClickLabel.h"
#include "app/ComboBox.h"
#include "app/CropControls.h"
#include "app/EnablingRules.h"
#include "app/ImageBox.h"
#include "app/MainWindow.h"
#include "app/ProgressList.h"
#include "app/TabReport.h"
#include "geometry/SelectionControls.h"
#include "image/ScanBuffers.h"
#include "postfx/PostEffects.h"
#include "sources/FileList.h"
#include "util/Numbers.h"
#include "util/Paths.h"
#include "watermark/WatermarkOverlay.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>

void AutomaticCrop::connectHandlers() {
    connect(w_.CortaUna, &QPushButton::clicked, this, &AutomaticCrop::CortaUna_Click);
    connect(w_.Probar, &QPushButton::clicked, this, &AutomaticCrop::Probar_Click);
    connect(w_.CortaLote, &QPushButton::clicked, this, &AutomaticCrop::CortaLote_Click);
    connect(w_.Cancelar, &ClickLabel::clicked, this, &AutomaticCrop::Cancelar_Click);
}

bool AutomaticCrop::scanLoaded() {
    MainWindow& w = w_;
    if (w.ImagenGrande->HasImage())
        return true;
    // The reason went to the list of the tab that loaded it; this list says the scan is skipped.
    if (w.chkSubTree->isChecked() || w.Interactivo->isChecked())
        w.ListaProceso->appendFailure(
            QStringLiteral("No se pudo leer la imagen %1: se omite").arg(w.v.FicheroActual));
    w.ListaProceso->appendLine(QStringLiteral("** --------------- **"));
    return false;
}

void AutomaticCrop::takeReference() {
    follow_.start(w_.chkSeguirLibro->isChecked());
    followingBook();
}

std::shared_ptr<const BookReference> AutomaticCrop::followingBook() {
    MainWindow& w = w_;
    // The rectangles lie on the canvas the preview shows: the scan turned as detected.
    TabReport report(w, *w.ListaProceso);
    return follow_.take(w.ImagenGrande->picture(), w.v.AnguloDetectado,
                        w.ChkSepara2Img->isChecked(), report, w.v.FicheroCargado);
}

void AutomaticCrop::runOne(bool Graba) {
    MainWindow& w = w_;
    beginWatermarkRun(w);
    cutRecord_.forgetLoaded();
    runSettings_ = CutRecord::digestOf(pageSettingsText(w, false));
    takeReference();
    if (readOutputSettings(w, w.ListaProceso)) {
        w.selection().DibujaSeleccion();
        w.CargaImagen();
        if (!w.v.FicheroActual.isEmpty() && scanLoaded())
            RecortaAutomatico(Graba);
    }
    w.enabling().DesbloqueaControles();
}

void AutomaticCrop::CortaUna_Click() {
    runOne(true);
}

void AutomaticCrop::Probar_Click() {
    runOne(false);
}

void AutomaticCrop::Cancelar_Click() {
    w_.v.ProcesoCancelado = true;
    w_.ListaProceso->appendCancelLine(QStringLiteral("PROCESO CANCELADO"));
}

void AutomaticCrop::CortaLote_Click() {
    MainWindow& w = w_;
    beginWatermarkRun(w);
    w.ListaProceso->clear();
    w.Cancelar->setVisible(true);
    diskFull_ = false;
    cutRecord_.forgetLoaded();
    runSettings_ = CutRecord::digestOf(pageSettingsText(w, false));
    takeReference();
    if (readOutputSettings(w, w.ListaProceso)) {
        // Locked from the start: the operator cannot change settings between two scans.
        w.enabling().BloqueaControles();
        const bool tree = w.chkSubTree->isChecked();
        const QString folder = w.v.CarpetaActual;
        const QString file = w.v.FicheroActual;
        const QStringList scans =
            tree ? entriesOf(*w.lstTree) : w.LocalFiles->selectedPaths(folder);
        // With the box ticked, scans an earlier run cut with these settings are skipped.
        const std::optional<QByteArray> settings =
            w.chkOmitirCortadas->isChecked() ? std::optional(runSettings_) : std::nullopt;
        // Each scan is loaded and cut only while no stop has been asked for, tested before the
        // load and again before the cut.
        struct Steps : BatchSteps {
            AutomaticCrop& run;
            MainWindow& w;
            const QStringList& scans;
            const bool tree;
            const std::optional<QByteArray> settings;
            Steps(AutomaticCrop& r, const QStringList& s, bool t, std::optional<QByteArray> k)
                : run(r), w(r.w_), scans(s), tree(t), settings(std::move(k)) {}
            bool stopped() const override { return w.v.ProcesoCancelado || run.diskFull_; }
            bool alreadyCut(int index) override {
                return settings && run.cutRecord_.isCut(scans[index], *settings);
            }
            void skipScan(int index) override {
                w.ListaProceso->appendLine(
                    QStringLiteral("%1: ya cortada, se omite").arg(ExtraeFichero(scans[index])));
            }
            void beginScan(int index) override {
                if (tree)
                    w.v.CarpetaActual = ExtraeCarpeta(scans[index]);
                w.v.FicheroActual = ExtraeFichero(scans[index]);
            }
            void cutScan(ScanAhead& scan, BatchAhead& batch, int) override {
                w.CargaImagen(&scan.read);
                if (run.scanLoaded() && !w.v.ProcesoCancelado)
                    run.RecortaAutomatico(true, &scan, &batch);
            }
            // The tree list loses its entries as they are done, and all of them after a stop.
            void endScan(int, bool) override {
                if (!tree)
                    return;
                delete w.lstTree->takeItem(0);
                if (w.lstTreeAuto->count() > 0)
                    delete w.lstTreeAuto->takeItem(0);
                w.lstTreeAuto->repaint();
            }
        } steps(*this, scans, tree, settings);
        runBatch(scans, steps);
        if (tree) {
            w.v.CarpetaActual = folder;
            w.v.FicheroActual = file;
        }
    }
    w.enabling().DesbloqueaControles();
    w.v.ProcesoCancelado = false;
    w.Cancelar->setVisible(false);
}

AutomaticRecipe AutomaticCrop::recipeFromWindow(const OutputSettings& settings, bool Graba) {
    MainWindow& w = w_;
    const WorkingValues& v = w.v;
    AutomaticRecipe recipe;
    recipe.twoPages = w.ChkSepara2Img->isChecked();
    recipe.settings =
        pageSettingsFromWindow(w, settings, Graba, v.MargenSuperior, v.LimiteInferior);
    recipe.left =
        recipe.settings.forSide(v.MargenIzq, v.AnchoSeleccion, w.PaginaIzq->TiffCompression());
    recipe.right =
        recipe.settings.forSide(v.MargenDch, v.AnchoSeleccion, w.PaginaDch->TiffCompression());
    recipe.follow = followingBook();
    return recipe;
}

void AutomaticCrop::RecortaAutomatico(bool Graba, ScanAhead* scanAhead, BatchAhead* batch) {
    MainWindow& w = w_;
    WorkingValues& v = w.v;
    w.ListaProceso->appendLine(QStringLiteral("Separando imagen ..."));
    w.enabling().BloqueaControles();
    const std::optional<OutputSettings> settings = readOutputSettings(w, w.ListaProceso);

    const QString refusal = selectionRefusal(v.MargenSuperior, v.LimiteInferior, v.AnchoSeleccion,
                                             v.AnchoPagina, v.AltoPagina);
    if (!settings) {
        w.ListaProceso->appendLine(QStringLiteral("** --------------- **"));
        return;
    }
    if (!refusal.isEmpty()) {
        w.ListaProceso->appendFailure(refusal);
        w.ListaProceso->appendLine(QStringLiteral("** --------------- **"));
        return;
    }

    const AutomaticRecipe recipe = recipeFromWindow(*settings, Graba);
    const ScanRecipe scanRecipe = recipe.forScan(joinPath(v.CarpetaActual, v.FicheroActual));
    // The next scans are made ahead for what this one takes, while this one is made here if it
    // was not made ahead for exactly that (the first scan of a batch, a scan of another size).
    if (batch)
        batch->setRecipes([recipe, batch](int index) -> std::optional<ScanRecipe> {
            return recipe.forScan(batch->path(index));
        });
    TabReport report(w, *w.ListaProceso);
    PreparedScan prepared = scanPages(w.ImagenGrande->picture(), scanRecipe, scanAhead, report);
    QList<PreparedPage>& pages = prepared.pages;

    scanWhole_ = true;
    const QString largeSuffix = recipe.settings.largeSuffix;
    const PageBaseNames names = pageBaseNames(v.FicheroActual, recipe.twoPages);
    for (int i = 0; i < pages.size(); ++i) {
        const bool leftPage = i == 0;
        ImageBox* box = leftPage ? w.PaginaIzq : w.PaginaDch;
        if (commitPage(box, pages[i], leftPage))
            showPage(box, (leftPage ? names.left : names.right) + largeSuffix + settings->extension,
                     leftPage);
    }
    w.repaintChanges();

    writePages(names, *settings, Graba, pages);
    w.ListaProceso->appendLine(QStringLiteral("** --------------- **"));
}

bool AutomaticCrop::commitPage(ImageBox* page, PreparedPage& prepared, bool leftPage) {
    MainWindow& w = w_;
    // The scan shows the page's rectangle and the copy slot holds its cut, as after a cut made
    // here.
    const QRect& selection = prepared.scanSelection;
    w.ImagenGrande->SelectArea(selection.left(), selection.top(), selection.right(),
                               selection.bottom());
    w.ImagenGrande->setSelectionEnabled(true);
    ImageBox::setClipboardCopy(prepared.cutCopy);
    page->setPicture(prepared.page);
    if (!prepared.cut) {
        w.ListaProceso->appendFailure(
            QStringLiteral("No se pudo cortar la página: %1").arg(prepared.cutError));
        return false;
    }
    if (leftPage) {
        // The watermark template starts from the last left page as it was cut.
        if (w.PermiteDistorsion->isChecked())
            w.ImgPlantilla->PasteCopy(prepared.cutCopy);
        w.v.PaginaCortada = true;
    }
    if (w.WMActivo->isChecked()) {
        w.ListaProceso->appendLine(QStringLiteral("Marca de Agua ..."));
        reportWatermarkFailure(w, prepared.watermarkError, w.ListaProceso);
        scanWhole_ = scanWhole_ && prepared.watermarkError.isEmpty();
    }
    if (w.CheckMagik->isChecked() && !w.postEffects().applyToPage(page, leftPage, w.ListaProceso))
        scanWhole_ = false;
    return page->HasImage();
}

void AutomaticCrop::showPage(ImageBox* page, const QString& fileName, bool leftPage) {
    MainWindow& w = w_;
    QLabel* name = leftPage ? w.lblFileNamei : w.lblFileNamed;
    QLabel* size = leftPage ? w.lblSizei : w.LblSized;
    QLabel* mode = leftPage ? w.lblModei : w.lblModed;
    name->setText(fileName);
    size->setText(
        QStringLiteral(" %1 x %2 Pixels").arg(page->ImageWidth()).arg(page->ImageHeight()));
    mode->setText(w.tables.colorModeText(page->ColorFormat()));
}

void AutomaticCrop::writePages(const PageBaseNames& names, const OutputSettings& settings,
                               bool Graba, const QList<PreparedPage>& prepared) {
    MainWindow& w = w_;
    const bool twoPages = w.ChkSepara2Img->isChecked();
    const QString& extension = settings.extension;
    const QString tiff = QStringLiteral(".tif");
    if ((extension == tiff || settings.thumbnailExtension == tiff) && w.Compresion->isChecked()) {
        w.PaginaIzq->setTiffCompression(2);
        w.ImgPlantilla->setTiffCompression(2);
        if (twoPages)
            w.PaginaDch->setTiffCompression(2);
    }
    if (!Graba)
        return;

    TabReport report(w, *w.ListaProceso);
    PageFiles files(w.v.CarpetaActual, settings, w.HacerMini->isChecked(),
                    roundToInt32(w.v.AnchoMiniatura), roundToInt32(w.v.AltoMiniatura), report);
    // The pages are written from the pictures of their boxes, which take them back after.
    const bool leftMade = w.PaginaIzq->HasImage();
    const bool rightMade = twoPages && w.PaginaDch->HasImage();
    Picture left = leftMade ? w.PaginaIzq->takePicture() : Picture();
    Picture right = rightMade ? w.PaginaDch->takePicture() : Picture();
    QList<ScanPageOut> pages{{leftMade ? &left : nullptr, names.left, &prepared[0]}};
    if (twoPages)
        pages.append({rightMade ? &right : nullptr, names.right, &prepared[1]});
    diskFull_ = writeAutomaticScan(w.v.CarpetaActual, w.v.FicheroActual, pages, scanWhole_, files,
                                   cutRecord_, runSettings_, report) == OutputResult::DiskFull;
    if (leftMade)
        w.PaginaIzq->setPicture(std::move(left));
    if (rightMade)
        w.PaginaDch->setPicture(std::move(right));
}
