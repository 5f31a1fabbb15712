#include "crop/InteractiveCrop.h"

#include "app/ClickLabel.h"
#include "app/EnablingRules.h"
#include "app/MainWindow.h"
#include "app/Paths.h"
#include "app/ProgressList.h"
#include "crop/MarginTrim.h"
#include "crop/OutputNames.h"
#include "crop/PageCut.h"
#include "geometry/SelectionControls.h"
#include "image/ImageBox.h"
#include "postfx/PostEffects.h"
#include "sources/FileList.h"
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

void InteractiveCrop::applyRotation() {
    MainWindow& w = w_;
    WorkingValues& v = w.v;
    // The scan itself is turned once, by the whole angle the preview was turned, right before
    // it is cut.
    if (v.AnguloGiro != 0) {
        w.ImagenGrande->setViewFlag(true);
        w.ImagenGrande->Rotate(v.AnguloGiro);
        w.ImagenGrande->setSelectionEnabled(false);
        w.ImagenGrande->CopyToClipboard();
        w.Imagen2->PasteFromClipboard();
        w.Imagen2->ZoomTo(100 * v.EscalaVista2);
        w.repaint();
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
    w_.lstActividad->appendLine(
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
        return;
    }
    w.cmdICorte->setEnabled(false);
    w.cmdICLote->setEnabled(false);
    beginWatermarkRun(w);
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
    beginWatermarkRun(w);
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
               w.lblFileName->text() == joinPath(folder, file);
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
    beginWatermarkRun(w);
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
    } else if (w.chkSubTree->isChecked()) {
        while (w.lstTree->count() > 0 && !v.ProcesoCancelado && !diskFull_) {
            QApplication::processEvents();
            takeFirstTreeEntry();
            if (v.ProcesoCancelado)
                break;
            sideFromOption();
            w.CargaImagen();
            if (!v.ProcesoCancelado && scanLoaded())
                RecortaInteractivo(true);
            dropFirstTreeEntry();
            alternate();
            w.enabling().BloqueaControles();
        }
        restore(saved);
    } else {
        for (int row = 0; row < w.LocalFiles2->count(); ++row) {
            QApplication::processEvents();
            if (!w.LocalFiles2->isRowSelected(row) || v.ProcesoCancelado || diskFull_)
                continue;
            sideFromOption();
            v.FicheroActual = w.LocalFiles2->item(row)->text();
            w.CargaImagen();
            if (!v.ProcesoCancelado && scanLoaded())
                RecortaInteractivo(true);
            w.LocalFiles2->setRowSelected(row, false);
            alternate();
            w.enabling().BloqueaControles();
        }
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

void InteractiveCrop::RecortaInteractivo(bool Graba) {
    MainWindow& w = w_;
    WorkingValues& v = w.v;
    ProgressList* log = w.lstActividad;
    w.enabling().BloqueaControles();
    const int tolerance = w.GreyTolerance->value();
    const std::optional<OutputSettings> settings = readOutputSettings(w, log);
    if (settings && !w.ImagenGrande->HasImage())
        log->appendLine(QStringLiteral("No hay ninguna imagen cargada: no se corta nada"));
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
    // A cut of a two-page scan gives the left page, then the right page, whatever side the
    // option buttons show; a test and a one-page scan give the page of the active side.
    do {
        cutOnePage(Graba, *settings, tolerance);
    } while (Graba && twoPages && v.PaginaActiva != QLatin1String("d") && !diskFull_);

    w.enabling().DesbloqueaControles();
    log->appendLine(kBlockEnd);
}

void InteractiveCrop::cutOnePage(bool Graba, const OutputSettings& settings, int tolerance) {
    MainWindow& w = w_;
    WorkingValues& v = w.v;
    ProgressList* log = w.lstActividad;
    ImageBox* page = w.ImgPreview;
    const bool twoPages = w.ChkSepara2Img->isChecked();

    v.PaginaCortada = true;
    if (twoPages && Graba)
        v.PaginaActiva = v.PaginaActiva.isEmpty() ? QStringLiteral("i") : QStringLiteral("d");
    const bool left = v.PaginaActiva == QLatin1String("i");
    const PageBaseNames names = pageBaseNames(v.FicheroActual, twoPages);
    const QString base = left || !twoPages ? names.left : names.right;
    const bool thumbnails = w.HacerMini->isChecked();
    const QString largeName =
        base + (thumbnails ? QStringLiteral("A") : QString()) + settings.extension;
    log->appendLine(QStringLiteral("Recortando imagen ..."));
    log->appendLine(largeName);

    const double x = left ? v.MargenIzq2 : v.MargenDch2;
    const double width = left ? v.AnchoSeleccion2i : v.AnchoSeleccion2d;
    const QString refusal =
        selectionRefusal(v.MargenSuperior2, v.LimiteInferior2, width, v.AnchoPagina, v.AltoPagina);
    if (!refusal.isEmpty()) {
        log->appendLine(refusal);
        page->ClearImage();
        return;
    }
    if (!cutPageFromScan(w, page, x, width, v.MargenSuperior2, v.LimiteInferior2, true,
                         settings.colorCode, log))
        return;

    if (w.chkMargenNegro->isChecked() && !trimDarkMargins(*page, tolerance))
        log->appendLine(
            QStringLiteral("No se pudieron quitar los márgenes negros: %1").arg(page->lastError()));
    if (w.WMActivo->isChecked())
        mergeWatermark(w, page, log);
    // Every page of this tab takes the odd-page effects, left or right.
    if (w.CheckMagik->isChecked())
        w.postEffects().applyToPage(page, true, log);

    (left ? w.lblFileNamei2 : w.lblFileNamed2)->setText(largeName);
    (left ? w.lblSizei2 : w.lblSized2)
        ->setText(
            QStringLiteral(" %1 x %2 Pixels").arg(page->ImageWidth()).arg(page->ImageHeight()));
    (left ? w.lblModei2 : w.lblModed2)->setText(w.tables.colorModeText(page->ColorFormat()));
    w.repaint();

    const QString tiff = QStringLiteral(".tif");
    if ((settings.extension == tiff || settings.thumbnailExtension == tiff) &&
        w.Compresion->isChecked())
        page->setTiffCompression(2);
    if (!Graba || !page->HasImage())
        return;

    const QString big = joinPath(v.CarpetaActual, QStringLiteral("jpeg_big"));
    const QString small = joinPath(v.CarpetaActual, QStringLiteral("jpeg_small"));
    QStringList folders = thumbnails ? QStringList{big, small} : QStringList{big};
    if (!QDir(big).exists())
        folders = {big, small, joinPath(big, QStringLiteral("256Color")),
                   joinPath(small, QStringLiteral("256Color"))};
    const OutputResult made = makeOutputFolders(folders, log);
    diskFull_ = made == OutputResult::DiskFull;
    if (made != OutputResult::Done)
        return;
    log->appendHeader(QStringLiteral("Grabando imagen ..."));
    log->appendLine(largeName);
    diskFull_ = writePageFile(page, big, largeName, log) == OutputResult::DiskFull;
    if (!thumbnails || diskFull_)
        return;
    const QString thumbnailName = base + QStringLiteral("B") + settings.thumbnailExtension;
    log->appendHeader(QStringLiteral("Grabando Miniaturta ..."));
    log->appendLine(thumbnailName);
    diskFull_ = writeThumbnailFile(w, page, small, thumbnailName, log) == OutputResult::DiskFull;
}
