#include "app/InteractiveCrop.h"

#include "app/ClickLabel.h"
#include "app/CropControls.h"
#include "app/EnablingRules.h"
#include "app/ImageBox.h"
#include "app/MainWindow.h"
#include "app/ProgressList.h"
#include "app/TabReport.h"
#include "crop/BatchAhead.h"
#include "crop/BatchRun.h"
#include "crop/MarginTrim.h"
#include "crop/OutputNames.h"
#include "crop/PageFiles.h"
#include "crop/PageSettings.h"
#include "crop/ScanPages.h"
#include "crop/SelectionRefusal.h"
#include "geometry/ScanLoader.h"
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
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

namespace {

const QString kContinue = QStringLiteral("Continuar");
const QString kTest = QStringLiteral("Probar Ajustes");
const QString kBlockEnd = QStringLiteral("** --------------- **");

} // namespace

void InteractiveCrop::connectHandlers() {
    MainWindow& w = w_;
    connect(w.cmdICPrueba, &QPushButton::clicked, this, &InteractiveCrop::cmdICPrueba_Click);
    connect(w.cmdICorte, &QPushButton::clicked, this, &InteractiveCrop::cmdICorte_Click);
    connect(w.cmdICLote, &QPushButton::clicked, this, &InteractiveCrop::cmdICLote_Click);
    connect(w.Cancelar2, &ClickLabel::clicked, this, &InteractiveCrop::Cancelar2_Click);
    connect(w.GreyTolerance, &QSlider::valueChanged, this, &InteractiveCrop::GreyTolerance_Change);
}

InteractiveCrop::Remembered InteractiveCrop::remember() const {
    return {w_.v.CarpetaActual, w_.v.FicheroActual};
}

void InteractiveCrop::restore(const Remembered& saved) {
    w_.v.CarpetaActual = saved.folder;
    w_.v.FicheroActual = saved.file;
}

void InteractiveCrop::takeReference() {
    follow_.start(w_.chkICSeguirLibro->isChecked());
    followingBook();
}

std::shared_ptr<const BookReference> InteractiveCrop::followingBook() {
    MainWindow& w = w_;
    // The rectangles lie on the canvas of the turn the preview was given.
    TabReport report(w, *w.lstActividad);
    return follow_.take(w.ImagenGrande->picture(), w.v.AnguloGiro, w.ChkSepara2Img->isChecked(),
                        report, w.v.FicheroCargado);
}

void InteractiveCrop::applyRotation() {
    MainWindow& w = w_;
    WorkingValues& v = w.v;
    // The scan itself is turned once, by the whole angle the preview was turned, right before
    // it is cut; a followed scan is not turned whole: its pages are sampled through its turn.
    if (v.AnguloGiro != 0 && !follow_.following()) {
        w.ImagenGrande->setViewFlag(true);
        w.ImagenGrande->Rotate(v.AnguloGiro);
        w.ImagenGrande->setSelectionEnabled(false);
        w.ImagenGrande->CopyToClipboard();
        w.Imagen2->PasteFromClipboard();
        w.Imagen2->ZoomTo(100 * v.EscalaVista2);
        w.repaintChanges();
    }
    v.AnguloGiro = 0;
    w.selection().DibujaSeleccion();
}

void InteractiveCrop::sideFromOption() {
    w_.v.PaginaActiva = w_.optIzquierda->isChecked() ? QStringLiteral("i") : QStringLiteral("d");
}

void InteractiveCrop::alternate() {
    if (!w_.chkAlternatepages->isChecked())
        return;
    if (w_.optIzquierda->isChecked())
        w_.optDerecha->setChecked(true);
    else
        w_.optIzquierda->setChecked(true);
}

int InteractiveCrop::firstSelectedRow(int from) const {
    for (int row = from; row < w_.LocalFiles2->count(); ++row) {
        if (w_.LocalFiles2->isRowSelected(row))
            return row;
    }
    return -1;
}

void InteractiveCrop::takeFirstTreeEntry() {
    const QString entry = w_.lstTree->item(0)->text();
    w_.v.CarpetaActual = ExtraeCarpeta(entry);
    w_.v.FicheroActual = ExtraeFichero(entry);
}

void InteractiveCrop::dropFirstTreeEntry() {
    if (w_.lstTree->count() > 0)
        delete w_.lstTree->takeItem(0);
    if (w_.lstTreeAuto->count() > 0)
        delete w_.lstTreeAuto->takeItem(0);
    w_.lstTreeAuto->repaint();
}

bool InteractiveCrop::scanLoaded() {
    if (w_.ImagenGrande->HasImage())
        return true;
    w_.lstActividad->appendFailure(
        QStringLiteral("No se pudo leer la imagen %1: se omite").arg(w_.v.FicheroActual));
    return false;
}

void InteractiveCrop::showResultBox(bool result) {
    MainWindow& w = w_;
    if (result) {
        // The result box lives on the hidden debugging tab; shown, it takes the preview's place.
        if (w.ImgPreview->parentWidget() != w.Imagen2->parentWidget())
            w.ImgPreview->setParent(w.Imagen2->parentWidget());
        w.ImgPreview->setGeometry(w.Imagen2->geometry());
        w.Imagen2->hide();
        w.ImgPreview->show();
        w.ImgPreview->raise();
    } else {
        w.ImgPreview->hide();
        w.Imagen2->show();
    }
}

void InteractiveCrop::Cancelar2_Click() {
    w_.v.ProcesoCancelado = true;
    w_.lstActividad->appendCancelLine(QStringLiteral("PROCESO CANCELADO"));
}

void InteractiveCrop::GreyTolerance_Change() {
    QLabel* label = w_.Label17;
    const int tolerance = w_.GreyTolerance->value();
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, QColor(tolerance, tolerance, tolerance));
    palette.setColor(QPalette::WindowText, toleranceTextColour(tolerance));
    label->setAutoFillBackground(true);
    label->setPalette(palette);
    label->setText(QString::number(tolerance));
}

void InteractiveCrop::cmdICPrueba_Click() {
    MainWindow& w = w_;
    WorkingValues& v = w.v;
    const Remembered saved = remember();
    if (w.cmdICPrueba->text() == kContinue) {
        v.ProcesandoEfectos = false;
        v.ProcesoCancelado = false;
        w.enabling().DesbloqueaControles();
        w.cmdICPrueba->setText(kTest);
        // Back to cutting: the spread with its rectangle comes back in place of the test page.
        showResultBox(false);
        return;
    }
    w.cmdICorte->setEnabled(false);
    w.cmdICLote->setEnabled(false);
    beginWatermarkRun(w);
    takeReference();
    if (w.CheckMagik->isChecked()) {
        ProcesaListaInteractiva(false);
        return;
    }
    const bool tree = w.chkSubTree->isChecked() && w.lstTree->count() > 0;
    if (tree) {
        takeFirstTreeEntry();
        sideFromOption();
        alternate();
        w.CargaImagen();
    }
    if (v.ProcesoCancelado) {
        v.ProcesoCancelado = false;
        w.cmdICPrueba->setText(kTest);
        showResultBox(false);
        w.enabling().DesbloqueaControles();
    } else {
        applyRotation();
        RecortaInteractivo(false);
    }
    if (tree)
        restore(saved);
}

void InteractiveCrop::cmdICorte_Click() {
    MainWindow& w = w_;
    WorkingValues& v = w.v;
    const Remembered saved = remember();
    v.ProcesoCancelado = false;
    diskFull_ = false;
    cutRecord_.forgetLoaded();
    runSettingsText_ = pageSettingsText(w, true);
    beginWatermarkRun(w);
    takeReference();
    if (w.CheckMagik->isChecked()) {
        ProcesaListaInteractiva(true);
        if (w.lstTree->count() > 0) {
            takeFirstTreeEntry();
            w.CargaImagen();
        }
        return;
    }
    // The scan on screen is the one named and shown by the last load; a name alone is not
    // enough, since two folders of a tree may hold scans of the same name.
    auto onScreen = [&w](const QString& folder, const QString& file) {
        return file == w.v.FicheroCargado && w.ImagenGrande->HasImage() &&
               joinPath(w.loader().loadedFolder(), file) == joinPath(folder, file);
    };

    if (w.chkSubTree->isChecked()) {
        QString candidate;
        if (w.lstTree->count() > 0) {
            v.CarpetaActual = ExtraeCarpeta(w.lstTree->item(0)->text());
            candidate = ExtraeFichero(w.lstTree->item(0)->text());
        }
        if (!onScreen(v.CarpetaActual, candidate)) {
            // The first press on a new entry only brings it on screen for adjusting.
            v.FicheroActual = candidate;
            w.CargaImagen();
            if (!candidate.isEmpty() && !scanLoaded())
                dropFirstTreeEntry();
            restore(saved);
            return;
        }
        w.lstActividad->appendLine(QStringLiteral("Procesando Imagen ..."));
        applyRotation();
        v.FicheroActual = candidate;
        RecortaInteractivo(true);
        dropFirstTreeEntry();
        if (w.lstTree->count() > 0) {
            takeFirstTreeEntry();
            sideFromOption();
            alternate();
            w.CargaImagen();
        }
        restore(saved);
        return;
    }

    const int row = firstSelectedRow();
    const QString candidate = row >= 0 ? w.LocalFiles2->item(row)->text() : QString();
    if (!onScreen(v.CarpetaActual, candidate)) {
        v.FicheroActual = candidate;
        w.CargaImagen();
        if (row >= 0 && !scanLoaded())
            w.LocalFiles2->setRowSelected(row, false);
        return;
    }
    w.lstActividad->appendLine(QStringLiteral("Procesando Imagen ..."));
    applyRotation();
    RecortaInteractivo(true);
    w.LocalFiles2->setRowSelected(row, false);
    const int next = firstSelectedRow();
    if (next >= 0) {
        sideFromOption();
        alternate();
        v.FicheroActual = w.LocalFiles2->item(next)->text();
        w.CargaImagen();
    }
}

void InteractiveCrop::cmdICLote_Click() {
    MainWindow& w = w_;
    WorkingValues& v = w.v;
    const Remembered saved = remember();
    w.Cancelar2->setVisible(true);
    diskFull_ = false;
    cutRecord_.forgetLoaded();
    runSettingsText_ = pageSettingsText(w, true);
    beginWatermarkRun(w);
    takeReference();
    // The settings stay locked from the first scan to the last; each page unlocks the window at
    // its end, so the lock is taken again once the next side is chosen.
    w.enabling().BloqueaControles();
    if (w.CheckMagik->isChecked()) {
        if (w.lstTree->count() == 0) {
            for (int row = 0; row < w.LocalFiles2->count(); ++row) {
                if (!w.LocalFiles2->isRowSelected(row))
                    continue;
                const QString entry = joinPath(v.CarpetaActual, w.LocalFiles2->item(row)->text());
                w.lstTreeAuto->addItem(entry);
                w.lstTree->addItem(entry);
            }
        }
        ProcesaListaInteractiva(true);
    } else {
        const bool tree = w.chkSubTree->isChecked();
        QList<int> rows; // of the selected files, in list order
        for (int row = 0; !tree && row < w.LocalFiles2->count(); ++row) {
            if (w.LocalFiles2->isRowSelected(row))
                rows << row;
        }
        const QStringList scans =
            tree ? entriesOf(*w.lstTree) : w.LocalFiles2->selectedPaths(v.CarpetaActual);
        struct Steps : BatchSteps {
            InteractiveCrop& run;
            MainWindow& w;
            const QList<int>& rows;
            const QStringList& scans;
            const bool tree;
            // With the box ticked, scans an earlier run cut with these settings are skipped.
            const bool omit;
            const QString firstSide;
            Steps(InteractiveCrop& r, const QList<int>& selected, const QStringList& s, bool t)
                : run(r), w(r.w_), rows(selected), scans(s), tree(t),
                  omit(w.chkICOmitirCortadas->isChecked()),
                  firstSide(w.optIzquierda->isChecked() ? QStringLiteral("i")
                                                        : QStringLiteral("d")) {}
            bool stopped() const override { return w.v.ProcesoCancelado || run.diskFull_; }
            bool alreadyCut(int index) override {
                if (!omit)
                    return false;
                const QStringList sides =
                    InteractiveRecipe::sidesFor(w.ChkSepara2Img->isChecked(),
                                                w.chkAlternatepages->isChecked(), firstSide, index);
                return run.cutRecord_.isCut(scans[index], run.cutSettings(sides));
            }
            void skipScan(int index) override {
                w.lstActividad->appendLine(
                    QStringLiteral("%1: ya cortada, se omite").arg(ExtraeFichero(scans[index])));
            }
            void beginScan(int index) override {
                if (tree)
                    run.takeFirstTreeEntry();
                run.sideFromOption();
                if (!tree)
                    w.v.FicheroActual = w.LocalFiles2->item(rows[index])->text();
            }
            void cutScan(ScanAhead& scan, BatchAhead& batch, int index) override {
                w.CargaImagen(&scan.read);
                if (!w.v.ProcesoCancelado && run.scanLoaded())
                    run.RecortaInteractivo(true, &scan, &batch, index);
            }
            // The scans after a stop stay selected, or in the tree list.
            void endScan(int index, bool passedOver) override {
                if (passedOver)
                    return;
                if (tree)
                    run.dropFirstTreeEntry();
                else
                    w.LocalFiles2->setRowSelected(rows[index], false);
                run.alternate();
                w.enabling().BloqueaControles();
            }
        } steps(*this, rows, scans, tree);
        runBatch(scans, steps);
        if (tree)
            restore(saved);
    }
    // The stop request is spent before the window is unlocked, so that the cut buttons are
    // usable again after a stopped batch.
    v.ProcesoCancelado = false;
    w.enabling().DesbloqueaControles();
    w.Cancelar2->setVisible(false);
}

void InteractiveCrop::ProcesaListaInteractiva(bool Graba) {
    MainWindow& w = w_;
    WorkingValues& v = w.v;
    if (!w.chkSubTree->isChecked()) {
        if (v.ProcesoCancelado)
            return;
        while (PosicionLote < w.LocalFiles2->count() && !w.LocalFiles2->isRowSelected(PosicionLote))
            ++PosicionLote;
        if (PosicionLote >= w.LocalFiles2->count())
            return;
        sideFromOption();
        v.FicheroActual = w.LocalFiles2->item(PosicionLote)->text();
        w.CargaImagen();
        if (v.ProcesoCancelado)
            return;
        RecortaInteractivo(Graba);
        if (!Graba)
            return;
        w.LocalFiles2->setRowSelected(PosicionLote, false);
        alternate();
        ++PosicionLote;
        return;
    }

    if (w.lstTree->count() == 0)
        return;
    const Remembered saved = remember();
    w.Cancelar2->setVisible(true);
    PosicionLote = 0;
    takeFirstTreeEntry();
    if (v.ProcesoCancelado)
        return;
    sideFromOption();
    w.CargaImagen();
    if (!v.ProcesoCancelado)
        RecortaInteractivo(Graba);
    if (Graba)
        dropFirstTreeEntry();
    alternate();
    restore(saved);
}

InteractiveRecipe InteractiveCrop::recipeFromWindow(const OutputSettings& settings, bool Graba,
                                                    int tolerance) {
    MainWindow& w = w_;
    const WorkingValues& v = w.v;
    InteractiveRecipe recipe;
    recipe.twoPages = w.ChkSepara2Img->isChecked();
    recipe.both = Graba && recipe.twoPages;
    recipe.alternate = w.chkAlternatepages->isChecked();
    recipe.side = v.PaginaActiva;
    recipe.settings =
        pageSettingsFromWindow(w, settings, Graba, v.MargenSuperior2, v.LimiteInferior2);
    PageRecipe& page = recipe.settings.page;
    // With distortion allowed, a page here keeps the size of its cut.
    page.keepDistortedSize = true;
    if (w.chkMargenNegro->isChecked())
        page.trimTolerance = tolerance;
    const int compression = w.ImgPreview->TiffCompression();
    recipe.left = recipe.settings.forSide(v.MargenIzq2, v.AnchoSeleccion2i, compression);
    recipe.right = recipe.settings.forSide(v.MargenDch2, v.AnchoSeleccion2d, compression);
    recipe.follow = followingBook();
    return recipe;
}

QByteArray InteractiveCrop::cutSettings(const QStringList& sides) {
    return CutRecord::digestOf(runSettingsText_ + QStringLiteral("sides=") +
                               sides.join(QLatin1Char(',')));
}

void InteractiveCrop::RecortaInteractivo(bool Graba, ScanAhead* scanAhead, BatchAhead* batch,
                                         int batchIndex) {
    MainWindow& w = w_;
    WorkingValues& v = w.v;
    ProgressList* log = w.lstActividad;
    w.enabling().BloqueaControles();
    const int tolerance = w.GreyTolerance->value();
    const std::optional<OutputSettings> settings = readOutputSettings(w, log);
    if (settings && !w.ImagenGrande->HasImage())
        log->appendFailure(QStringLiteral("No hay ninguna imagen cargada: no se corta nada"));
    if (!settings || !w.ImagenGrande->HasImage()) {
        w.enabling().DesbloqueaControles();
        log->appendLine(kBlockEnd);
        return;
    }

    const bool twoPages = w.ChkSepara2Img->isChecked();
    if (twoPages && Graba)
        v.PaginaActiva.clear();
    if (!Graba) {
        showResultBox(true);
        if (v.PaginaActiva.isEmpty())
            v.PaginaActiva = QStringLiteral("i");
        w.cmdICPrueba->setText(kContinue);
        w.cmdICPrueba->setEnabled(true);
        v.ProcesoCancelado = true;
    }

    // The pages take the name of the scan that is cut, the one on screen, whatever row has been
    // clicked since it was loaded.
    const QString scanPath = joinPath(w.loader().loadedFolder(), v.FicheroCargado);
    const InteractiveRecipe recipe = recipeFromWindow(*settings, Graba, tolerance);
    const ScanRecipe scanRecipe = recipe.forScan(scanPath, 0);
    // The next scans are made ahead for what this one takes, while this one is made here if it
    // was not made ahead for exactly that.
    if (batch)
        batch->setRecipes([recipe, batch, batchIndex](int index) -> std::optional<ScanRecipe> {
            return recipe.forScan(batch->path(index), index - batchIndex);
        });
    TabReport report(w, *log);
    PreparedScan prepared = scanPages(w.ImagenGrande->picture(), scanRecipe, scanAhead, report);
    QList<PreparedPage>& pages = prepared.pages;
    // A cut of a two-page scan gives the left page, then the right page, whatever side the
    // option buttons show; a test and a one-page scan give the page of the active side.
    bool scanWhole = true;
    PageFiles files(ExtraeCarpeta(scanPath), *settings, w.HacerMini->isChecked(),
                    roundToInt32(w.v.AnchoMiniatura), roundToInt32(w.v.AltoMiniatura), report);
    const QByteArray cutWith = Graba ? cutSettings(recipe.sidesOf(0)) : QByteArray();
    QString recordError;
    if (Graba && !cutRecord_.beginWriting(scanPath, cutWith, &recordError)) {
        scanWhole = false;
        log->appendFailure(QStringLiteral("No se pudo anotar %1 como cortada: %2")
                               .arg(ExtraeFichero(scanPath), recordError));
    }
    for (PreparedPage& page : pages) {
        if (diskFull_) // every later page would fail too
            break;
        scanWhole = commitPage(Graba, files, page, scanPath) && scanWhole;
    }
    if (Graba && scanWhole && !diskFull_ && !files.written().isEmpty() &&
        !cutRecord_.commit(scanPath, cutWith, files.written(), &recordError))
        log->appendFailure(QStringLiteral("No se pudo anotar %1 como cortada: %2")
                               .arg(ExtraeFichero(scanPath), recordError));

    w.enabling().DesbloqueaControles();
    log->appendLine(kBlockEnd);
}

bool InteractiveCrop::commitPage(bool Graba, PageFiles& files, PreparedPage& prepared,
                                 const QString& scanPath) {
    MainWindow& w = w_;
    WorkingValues& v = w.v;
    ProgressList* log = w.lstActividad;
    ImageBox* page = w.ImgPreview;
    const bool twoPages = w.ChkSepara2Img->isChecked();

    v.PaginaCortada = true;
    if (twoPages && Graba)
        v.PaginaActiva = v.PaginaActiva.isEmpty() ? QStringLiteral("i") : QStringLiteral("d");
    const bool left = v.PaginaActiva == QLatin1String("i");
    const PageBaseNames names = pageBaseNames(ExtraeFichero(scanPath), twoPages);
    const QString base = left || !twoPages ? names.left : names.right;
    const QString largeName = files.pageName(base);
    log->appendLine(QStringLiteral("Recortando imagen ..."));
    log->appendLine(largeName);

    page->setPicture(prepared.page);
    if (!prepared.refusal.isEmpty()) {
        log->appendFailure(prepared.refusal);
        return false;
    }
    // The scan shows the page's rectangle and the copy slot holds its cut, as after a cut made
    // here.
    const QRect& selection = prepared.scanSelection;
    w.ImagenGrande->SelectArea(selection.left(), selection.top(), selection.right(),
                               selection.bottom());
    w.ImagenGrande->setSelectionEnabled(true);
    ImageBox::setClipboardCopy(prepared.cutCopy);
    if (!prepared.cut) {
        log->appendFailure(
            QStringLiteral("No se pudo cortar la página: %1").arg(prepared.cutError));
        return false;
    }
    bool whole = prepared.trimError.isEmpty();
    if (!prepared.trimError.isEmpty())
        log->appendFailure(QStringLiteral("No se pudieron quitar los márgenes negros: %1")
                               .arg(prepared.trimError));
    if (w.WMActivo->isChecked()) {
        reportWatermarkFailure(w, prepared.watermarkError, log);
        whole = whole && prepared.watermarkError.isEmpty();
    }
    // Every page of this tab takes the odd-page effects, left or right.
    if (w.CheckMagik->isChecked() && !w.postEffects().applyToPage(page, true, log))
        whole = false;

    (left ? w.lblFileNamei2 : w.lblFileNamed2)->setText(largeName);
    (left ? w.lblSizei2 : w.lblSized2)
        ->setText(
            QStringLiteral(" %1 x %2 Pixels").arg(page->ImageWidth()).arg(page->ImageHeight()));
    (left ? w.lblModei2 : w.lblModed2)->setText(w.tables.colorModeText(page->ColorFormat()));
    w.repaintChanges();
    if (!Graba || !page->HasImage())
        return false;

    // A folder is made only when a file goes into it.
    const OutputResult made = files.makeFolders();
    diskFull_ = made == OutputResult::DiskFull;
    if (made != OutputResult::Done)
        return false;
    // The page is written from the picture of its box, which takes it back after.
    Picture picture = page->takePicture();
    const OutputResult large = files.writePage(picture, base, &prepared);
    diskFull_ = large == OutputResult::DiskFull;
    whole = whole && large == OutputResult::Done;
    if (!files.thumbnails() || diskFull_) {
        page->setPicture(std::move(picture));
        return whole;
    }
    const OutputResult thumbnail =
        files.writeThumbnail(picture, QStringLiteral("Grabando Miniaturta ..."), base, &prepared);
    page->setPicture(std::move(picture));
    diskFull_ = thumbnail == OutputResult::DiskFull;
    return whole && thumbnail == OutputResult::Done;
}
