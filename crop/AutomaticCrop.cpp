#include "crop/AutomaticCrop.h"

#include "app/ClickLabel.h"
#include "app/ComboBox.h"
#include "app/EnablingRules.h"
#include "app/MainWindow.h"
#include "app/Numbers.h"
#include "app/Paths.h"
#include "app/ProgressList.h"
#include "geometry/SelectionControls.h"
#include "image/ImageBox.h"
#include "image/ScanBuffers.h"
#include "image/ScanPrefetch.h"
#include "postfx/PostEffects.h"
#include "sources/FileList.h"
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

std::optional<AutomaticCrop::OutputSettings> AutomaticCrop::outputSettings() {
    MainWindow& w = w_;
    auto refuse = [&w](const QString& what, const QString& text) {
        w.ListaProceso->appendLine(
            QStringLiteral("%1 no válido: \"%2\". No se ha cortado nada.").arg(what, text));
        return std::nullopt;
    };
    const int large = w.TipoGrande->listIndex();
    if (large < 0 || large >= OptionTables::kFormatRows)
        return refuse(QStringLiteral("Tipo de las imágenes grandes"), w.TipoGrande->text());
    // Thumbnails are written in the type offered for them.
    const int small = w.TipoPeque->listIndex();
    const bool thumbnails = w.HacerMini->isChecked();
    if (thumbnails && (small < 0 || small >= OptionTables::kFormatRows))
        return refuse(QStringLiteral("Tipo de las miniaturas"), w.TipoPeque->text());
    const int color = w.ColorBw->listIndex();
    if (color < 0 || color >= OptionTables::kColorFormatRows)
        return refuse(QStringLiteral("Formato de color"), w.ColorBw->text());
    return OutputSettings{w.tables.formats[large].extension,
                          thumbnails ? w.tables.formats[small].extension : QString(),
                          w.tables.colorFormats[color].code};
}

bool AutomaticCrop::scanLoaded() {
    MainWindow& w = w_;
    if (w.ImagenGrande->HasImage())
        return true;
    // The reason went to the list of the tab that loaded it; this list says the scan is skipped.
    if (w.chkSubTree->isChecked() || w.Interactivo->isChecked())
        w.ListaProceso->appendLine(
            QStringLiteral("No se pudo leer la imagen %1: se omite").arg(w.v.FicheroActual));
    w.ListaProceso->appendLine(QStringLiteral("** --------------- **"));
    return false;
}

void AutomaticCrop::runOne(bool Graba) {
    MainWindow& w = w_;
    beginWatermarkRun(w);
    if (outputSettings()) {
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
    // Each scan is loaded and cut only while no cancel has been asked for, tested before the
    // load and again before the cut; pending clicks are taken once per scan. While a scan is
    // cut, the next one is read on another core.
    auto processCurrent = [this, &w](const QString& nextScan) {
        if (w.v.ProcesoCancelado)
            return;
        w.CargaImagen();
        if (!nextScan.isEmpty())
            ScanPrefetch::start(nextScan);
        if (scanLoaded() && !w.v.ProcesoCancelado)
            RecortaAutomatico(true);
    };
    if (outputSettings()) {
        // Locked from the start: the operator cannot change settings between two scans.
        w.enabling().BloqueaControles();
        if (w.chkSubTree->isChecked()) {
            const QString folder = w.v.CarpetaActual;
            const QString file = w.v.FicheroActual;
            while (w.lstTree->count() > 0) {
                QApplication::processEvents();
                const QString entry = w.lstTree->item(0)->text();
                w.v.CarpetaActual = ExtraeCarpeta(entry);
                w.v.FicheroActual = ExtraeFichero(entry);
                processCurrent(w.lstTree->count() > 1 ? w.lstTree->item(1)->text() : QString());
                delete w.lstTree->takeItem(0);
                if (w.lstTreeAuto->count() > 0)
                    delete w.lstTreeAuto->takeItem(0);
                w.lstTreeAuto->repaint();
            }
            w.v.CarpetaActual = folder;
            w.v.FicheroActual = file;
        } else {
            auto nextSelected = [&w](int after) {
                for (int row = after + 1; row < w.LocalFiles->count(); ++row) {
                    if (w.LocalFiles->isRowSelected(row))
                        return joinPath(w.v.CarpetaActual, w.LocalFiles->item(row)->text());
                }
                return QString();
            };
            for (int row = 0; row < w.LocalFiles->count(); ++row) {
                QApplication::processEvents();
                if (!w.LocalFiles->isRowSelected(row) || w.v.ProcesoCancelado)
                    continue;
                w.v.FicheroActual = w.LocalFiles->item(row)->text();
                processCurrent(nextSelected(row));
            }
        }
    }
    ScanPrefetch::discard();
    releaseRecycledBuffers();
    w.enabling().DesbloqueaControles();
    w.v.ProcesoCancelado = false;
    w.Cancelar->setVisible(false);
}

void AutomaticCrop::RecortaAutomatico(bool Graba) {
    MainWindow& w = w_;
    WorkingValues& v = w.v;
    w.ListaProceso->appendLine(QStringLiteral("Separando imagen ..."));
    w.enabling().BloqueaControles();
    const std::optional<OutputSettings> settings = outputSettings();

    const double pageWidth = roundHalfEven(v.AnchoPagina);
    const double pageHeight = roundHalfEven(v.AltoPagina);
    QString refusal;
    if (v.LimiteInferior <= v.MargenSuperior || v.AnchoSeleccion <= 0)
        refusal =
            QStringLiteral("La selección está vacía (alto %1, ancho %2): no se corta esta imagen")
                .arg(formatNumber(v.LimiteInferior - v.MargenSuperior),
                     formatNumber(v.AnchoSeleccion));
    else if (pageWidth <= 0 || pageHeight <= 0)
        refusal = QStringLiteral("Tamaño de página no válido (%1 x %2): no se corta esta imagen")
                      .arg(formatNumber(v.AnchoPagina), formatNumber(v.AltoPagina));
    if (!settings) {
        w.ListaProceso->appendLine(QStringLiteral("** --------------- **"));
        return;
    }
    if (!refusal.isEmpty()) {
        w.ListaProceso->appendLine(refusal);
        w.ListaProceso->appendLine(QStringLiteral("** --------------- **"));
        return;
    }

    const QString largeSuffix = w.HacerMini->isChecked() ? QStringLiteral("A") : QString();
    const PageBaseNames names = pageBaseNames(v.FicheroActual, w.ChkSepara2Img->isChecked());

    if (cutPage(w.PaginaIzq, v.MargenIzq, true, settings->colorCode))
        showPage(w.PaginaIzq, names.left + largeSuffix + settings->extension, true);
    if (w.ChkSepara2Img->isChecked() &&
        cutPage(w.PaginaDch, v.MargenDch, false, settings->colorCode))
        showPage(w.PaginaDch, names.right + largeSuffix + settings->extension, false);
    w.repaint();

    writePages(names, *settings, Graba);
    w.ListaProceso->appendLine(QStringLiteral("** --------------- **"));
}

bool AutomaticCrop::cutPage(ImageBox* page, double left, bool leftPage, int colorCode) {
    MainWindow& w = w_;
    WorkingValues& v = w.v;
    ImageBox* scan = w.ImagenGrande;
    scan->SelectArea(roundToInt32(left), v.MargenSuperior, roundToInt32(left + v.AnchoSeleccion),
                     roundToInt32(v.LimiteInferior));
    scan->setSelectionEnabled(true);

    bool cut = scan->CopyToClipboard();
    if (cut && w.PermiteDistorsion->isChecked()) {
        cut = page->PasteFromClipboard();
        if (leftPage)
            w.ImgPlantilla->PasteFromClipboard();
    } else if (cut) {
        // The cut keeps its proportions: it lies at the top-left of a white canvas of the output
        // page's shape at the scan's scale, and what it does not cover stays white.
        const double scale = v.AltoPagina / v.LimiteInferior;
        cut =
            page->NewImage(roundToInt32(v.AnchoPagina / scale), roundToInt32(v.AltoPagina / scale));
        if (cut) {
            page->setColorFormat(colorCode);
            page->setMergeTransparent(false);
            page->setMergeTransparency(0);
            page->setMergeMode(0);
            page->setMergeLeft(0);
            page->setMergeTop(0);
            cut = page->MergeClipboard();
        }
    }
    if (cut)
        cut = page->ResizeImage(roundToInt32(v.AnchoPagina), roundToInt32(v.AltoPagina));
    if (!cut) {
        w.ListaProceso->appendLine(
            QStringLiteral("No se pudo cortar la página: %1")
                .arg(page->lastError().isEmpty() ? scan->lastError() : page->lastError()));
        page->ClearImage();
        return false;
    }
    page->setSaveFlag(true);
    page->setJpegQuality(w.UpDownQuality->value());
    page->setColorFormat(colorCode);
    if (leftPage)
        v.PaginaCortada = true;

    if (w.WMActivo->isChecked()) {
        w.ListaProceso->appendLine(QStringLiteral("Marca de Agua ..."));
        mergeWatermark(w, page, w.ListaProceso);
    }
    if (w.CheckMagik->isChecked())
        w.postEffects().applyToPage(page, leftPage, w.ListaProceso);
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

bool AutomaticCrop::writeFile(ImageBox* page, const QString& folder, const QString& fileName) {
    if (page->SaveToFile(joinPath(folder, fileName)))
        return true;
    w_.ListaProceso->appendLine(
        QStringLiteral("No se pudo grabar %1: %2").arg(fileName, page->lastError()));
    return false;
}

void AutomaticCrop::writePages(const PageBaseNames& names, const OutputSettings& settings,
                               bool Graba) {
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

    const QString big = joinPath(w.v.CarpetaActual, QStringLiteral("jpeg_big"));
    const QString small = joinPath(w.v.CarpetaActual, QStringLiteral("jpeg_small"));
    const bool thumbnails = w.HacerMini->isChecked();
    for (const QString& folder : thumbnails ? QStringList{big, small} : QStringList{big}) {
        if (!QDir().mkpath(folder)) {
            w.ListaProceso->appendLine(
                QStringLiteral("No se pudo crear la carpeta %1").arg(folder));
            return;
        }
    }

    struct Page {
        ImageBox* box;
        QString base;
    };
    // A page that could not be cut has been logged and is not written.
    QList<Page> pages;
    if (w.PaginaIzq->HasImage())
        pages.append({w.PaginaIzq, names.left});
    if (twoPages && w.PaginaDch->HasImage())
        pages.append({w.PaginaDch, names.right});
    const QString largeSuffix = thumbnails ? QStringLiteral("A") : QString();
    for (const Page& page : pages) {
        const QString fileName = page.base + largeSuffix + extension;
        w.ListaProceso->appendHeader(QStringLiteral("Grabando imagen ..."));
        w.ListaProceso->appendLine(fileName);
        writeFile(page.box, big, fileName);
    }
    if (!thumbnails)
        return;
    const QString& smallExtension = settings.thumbnailExtension;
    for (const Page& page : pages) {
        const QString fileName = page.base + QStringLiteral("B") + smallExtension;
        w.ListaProceso->appendHeader(QStringLiteral("Grabando miniatura ..."));
        w.ListaProceso->appendLine(fileName);
        if (!page.box->ResizeImage(roundToInt32(w.v.AnchoMiniatura),
                                   roundToInt32(w.v.AltoMiniatura))) {
            w.ListaProceso->appendLine(
                QStringLiteral("No se pudo grabar %1: %2").arg(fileName, page.box->lastError()));
            continue;
        }
        page.box->setSaveFlag(true);
        writeFile(page.box, small, fileName);
    }
}
