#include "geometry/ScanLoader.h"

#include "app/ImageBox.h"
#include "app/MainWindow.h"
#include "app/ProgressList.h"
#include "geometry/SelectionControls.h"
#include "geometry/Twips.h"
#include "util/Numbers.h"
#include "util/Paths.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>

double ScanLoader::previewPixelsPerDisplayUnit() {
    return 26.455 / (2 * kTwipsPerPixel);
}

ProgressList* ScanLoader::progressListInUse() const {
    const bool interactive = w_.Interactivo->isChecked() || w_.chkSubTree->isChecked();
    return interactive ? w_.lstActividad : w_.ListaProceso;
}

void ScanLoader::CargaImagen(ScanRead* readAhead) {
    MainWindow& w = w_;
    WorkingValues& v = w.v;
    if (v.FicheroActual.isEmpty())
        return;
    const QString path = joinPath(v.CarpetaActual, v.FicheroActual);

    const bool interactiveList = w.Interactivo->isChecked() || w.chkSubTree->isChecked();
    w.SSTab1->setCurrentIndex(interactiveList ? 4 : 1);
    w.repaintChanges();
    ProgressList* log = progressListInUse();
    log->appendHeader(QStringLiteral("Leyendo imagen ..."));
    log->appendLine(v.FicheroActual.toUpper());

    w.ImagenGrande->LoadFromFile(path, readAhead);
    // What was found belongs to the scan it was found on; this one is shown as it came.
    v.AnguloDetectado = 0;
    v.LomoDetectado = -1;
    if (!w.ImagenGrande->HasImage()) {
        // Nothing to measure or show: the previous preview and geometry stay as they were.
        log->appendFailure(
            QStringLiteral("No se pudo leer la imagen: %1").arg(w.ImagenGrande->lastError()));
        return;
    }

    if (w.NoReducir->isChecked()) {
        v.AnchoPagina = w.ImagenGrande->ImageWidth() / double(v.NumPaginas);
        v.AltoPagina = w.ImagenGrande->ImageHeight();
    } else {
        v.AnchoPagina = numericValueOfText(w.AnchoGrande->text());
        v.AltoPagina = numericValueOfText(w.AltoGrande->text());
    }

    w.lblFileName->setText(path);
    w.lblSize->setText(QStringLiteral("%1 x%2 Pixels")
                           .arg(w.ImagenGrande->ImageWidth())
                           .arg(w.ImagenGrande->ImageHeight()));
    w.lblMode->setText(w.tables.colorModeText(w.ImagenGrande->ColorFormat()));

    if (v.AltoPagina > 0) {
        v.ProporcionPagina = v.AnchoPagina / v.AltoPagina;
    } else {
        log->appendLine(
            QStringLiteral("Altura de página no válida (%1): se mantiene la proporción anterior")
                .arg(w.AltoGrande->text()));
    }

    const double gap = leftTw(w.PaginaDch) - (leftTw(w.PaginaIzq) + widthTw(w.PaginaIzq));
    const double sideGap = roundHalfEven(leftTw(w.Imagen) - leftTw(w.SelectionSize));

    if (v.HimetricPorTwip == 0) {
        v.AnchoImagenHM = roundToInt32(w.ImagenGrande->PictureWidthHM());
        v.AltoImagenHM = roundToInt32(w.ImagenGrande->PictureHeightHM());
        v.HimetricPorTwip = v.AltoImagenHM / heightTw(w.Imagen);
        v.HimetricPorTwip2 = float(v.AltoImagenHM / heightTw(w.Imagen2));
    }
    v.EscalaVista = float(2 * heightTw(w.Imagen) / v.AltoImagenHM);
    v.EscalaVista2 = float(2 * heightTw(w.Imagen2) / v.AltoImagenHM);

    // The preview keeps its height and takes the reference scan's shape.
    if (w.Interactivo->isChecked()) {
        setWidthTw(w.Imagen2, roundHalfEven(v.AnchoImagenHM / double(v.HimetricPorTwip2)));
        setHeightTw(w.Imagen2, roundHalfEven(v.AltoImagenHM / double(v.HimetricPorTwip2)));
    } else {
        setWidthTw(w.Imagen, roundHalfEven(v.AnchoImagenHM / v.HimetricPorTwip));
        setHeightTw(w.Imagen, roundHalfEven(v.AltoImagenHM / v.HimetricPorTwip));
    }

    w.selection().DibujaSeleccion();

    if (w.Interactivo->isChecked())
        layOutInteractiveTab(gap, sideGap);
    else
        layOutAutomaticTab(gap, sideGap);

    w.ImagenGrande->setSelectionEnabled(false);

    const double widthPx = v.AnchoImagenHM / v.HimetricPorPixel;
    if (w.Interactivo->isChecked())
        setInteractiveMargins(widthPx);
    else
        setAutomaticMargins(widthPx);

    w.ImagenGrande->CopyToClipboard();
    w.Imagen2->setViewFlag(true);
    if (w.Interactivo->isChecked() && w.ImgPreview->parentWidget() == w.Imagen2->parentWidget()) {
        // A test page shown in the preview's place gives way to the scan just loaded.
        w.ImgPreview->hide();
        w.Imagen2->show();
    }
    ImageBox* preview = w.Interactivo->isChecked() ? w.Imagen2 : w.Imagen;
    const float escala = w.Interactivo->isChecked() ? v.EscalaVista2 : v.EscalaVista;
    preview->PasteFromClipboard();
    preview->setDisplayScale(previewPixelsPerDisplayUnit());
    preview->ZoomTo(100 * escala);

    v.FicheroCargado = v.FicheroActual;
    loadedFolder_ = v.CarpetaActual;
    w.repaintChanges();
    w.selection().DibujaSeleccion();
}

void ScanLoader::layOutAutomaticTab(double gap, double sideGap) {
    MainWindow& w = w_;
    const double right = leftTw(w.SSTab1) + widthTw(w.SSTab1);

    setWidthTw(w.PaginaIzq, heightTw(w.PaginaIzq) * w.v.ProporcionPagina);
    setWidthTw(w.PaginaDch, widthTw(w.PaginaIzq));
    w.ImgPlantilla->resize(w.PaginaIzq->size());

    // The preview is centred in a 5900-twip column whose right side is 2200 twips inside the
    // tab's right edge; the width slider runs along it.
    setLeftTw(w.Imagen, right - widthTw(w.Imagen) - 2200 - (5900 - widthTw(w.Imagen)) / 2);
    w.SelectionWidth->setGeometry(w.Imagen->x(), w.SelectionWidth->y(), w.Imagen->width(),
                                  w.SelectionWidth->height());

    // Size slider on the left of the preview, top-margin slider on its right.
    setLeftTw(w.SelectionSize, leftTw(w.Imagen) - sideGap);
    setHeightTw(w.SelectionSize, heightTw(w.Imagen) + 300);
    w.Altura->setGeometry(w.Altura->x(), w.SelectionSize->y(), w.Altura->width(),
                          w.SelectionSize->height());
    setLeftTw(w.Altura, leftTw(w.Imagen) + widthTw(w.Imagen) + 200);

    // The two page previews, with their gap, centred in the same column.
    const double pair = widthTw(w.PaginaIzq) + widthTw(w.PaginaDch) + gap;
    setLeftTw(w.PaginaIzq, right - pair - 2200 - (5900 - pair) / 2);
    setLeftTw(w.PaginaDch, leftTw(w.PaginaIzq) + widthTw(w.PaginaIzq) + gap);
    w.UpDowni->setGeometry(w.PaginaIzq->x(), w.UpDowni->y(), w.PaginaIzq->width(),
                           w.UpDowni->height());
    w.UpDownd->setGeometry(w.PaginaDch->x(), w.UpDownd->y(), w.PaginaDch->width(),
                           w.UpDownd->height());

    setLeftTw(w.Label5, leftTw(w.SelectionSize) - 800);
    setTopTw(w.Label5, topTw(w.SelectionSize));
    setLeftTw(w.Label6, leftTw(w.SelectionSize) - 800);
    setTopTw(w.Label6, topTw(w.SelectionSize) + heightTw(w.SelectionSize) - 200);
    setLeftTw(w.Label7, leftTw(w.SelectionSize));
    setTopTw(w.Label7, topTw(w.SelectionSize) + heightTw(w.SelectionSize));
    setTopTw(w.Label8, topTw(w.Label7));
    setLeftTw(w.Label8, leftTw(w.Altura));
    setLeftTw(w.Label9, (leftTw(w.Label7) + leftTw(w.Label8)) / w.v.NumPaginas);
}

void ScanLoader::layOutInteractiveTab(double gap, double sideGap) {
    MainWindow& w = w_;
    w.SSTab1->setCurrentIndex(4);
    // The preview is centred right of an 1800-twip strip; the work image lies where it lies.
    setLeftTw(w.Imagen2,
              leftTw(w.SSTab1) + 1800 + (widthTw(w.SSTab1) - widthTw(w.Imagen2) - 1800) / 2);
    w.ImgPreview->setGeometry(w.Imagen2->geometry());

    const double halfWidth = (widthTw(w.Imagen2) - gap) / 2;
    setWidthTw(w.UpDowni2, halfWidth);
    setWidthTw(w.UpDownd2, halfWidth);

    setLeftTw(w.cmdICorte, leftTw(w.Imagen2) + (widthTw(w.Imagen2) - widthTw(w.cmdICorte)) / 2);
    setLeftTw(w.cmdICLote, leftTw(w.cmdICorte) + widthTw(w.cmdICorte) + 600);
    setLeftTw(w.cmdICPrueba, leftTw(w.cmdICorte) - widthTw(w.cmdICPrueba) - 600);

    setLeftTw(w.SelectionSize2, leftTw(w.Imagen2) - sideGap);
    setHeightTw(w.SelectionSize2, heightTw(w.Imagen2) + 300);
    w.Altura2->setGeometry(w.Altura2->x(), w.SelectionSize2->y(), w.Altura2->width(),
                           w.SelectionSize2->height());
    setLeftTw(w.Altura2, leftTw(w.Imagen2) + widthTw(w.Imagen2) + 200);

    // Under the preview: left-page controls on the left half, right-page controls on the right.
    setLeftTw(w.UpDowni2, leftTw(w.Imagen2));
    w.SelectionWidth2i->setGeometry(w.UpDowni2->x(), w.SelectionWidth2i->y(), w.UpDowni2->width(),
                                    w.SelectionWidth2i->height());
    setLeftTw(w.UpDownd2, leftTw(w.UpDowni2) + widthTw(w.UpDowni2) + gap);
    w.SelectionWidth2d->setGeometry(w.UpDownd2->x(), w.SelectionWidth2d->y(), w.UpDownd2->width(),
                                    w.SelectionWidth2d->height());
    setLeftTw(w.optIzquierda, leftTw(w.UpDowni2) - 250);
    setLeftTw(w.optDerecha, leftTw(w.UpDownd2) - 250);
}

void ScanLoader::setAutomaticMargins(double widthPx) {
    MainWindow& w = w_;
    WorkingValues& v = w.v;
    if (w.ChkSepara2Img->isChecked()) {
        const double pageWidth = roundHalfEven(widthPx / v.NumPaginas);
        // The left page ends at the middle of the scan; the right page starts one pixel past it.
        if (!v.MargenIzqManual)
            v.MargenIzq = pageWidth - v.AnchoSeleccion;
        if (!v.MargenDchManual)
            v.MargenDch = pageWidth + 1;
    } else if (!v.MargenIzqManual) {
        v.MargenIzq = 0;
    }
    setAutomaticPositionSliders(widthPx);
}

void ScanLoader::setAutomaticPositionSliders(double widthPx) {
    MainWindow& w = w_;
    WorkingValues& v = w.v;
    if (w.ChkSepara2Img->isChecked()) {
        w.UpDowni->setMinimum(0);
        w.UpDownd->setMinimum(0);
        w.UpDowni->setMaximum(roundToInt32(widthPx - v.AnchoSeleccion));
        w.UpDownd->setMaximum(roundToInt32(w.UpDowni->maximum() + v.AnchoSeleccion));
        w.UpDownd->setValue(roundToInt32(v.AnchoSeleccion + v.MargenDch));
        w.UpDowni->setValue(roundToInt32(v.MargenIzq));
        w.UpDownd->setMinimum(roundToInt32(v.AnchoSeleccion));
        w.Texti->setText(formatNumber(v.MargenIzq));
        setLeftTw(w.Texti, leftTw(w.UpDowni) - 600);
        setLeftTw(w.Textd, leftTw(w.UpDownd) + widthTw(w.UpDownd));
        w.Textd->setText(formatNumber(v.MargenDch));
        return;
    }
    w.UpDowni->setMinimum(0);
    w.UpDowni->setMaximum(roundToInt32(widthPx));
    w.UpDowni->setValue(roundToInt32(v.MargenIzq));
    w.Texti->setText(formatNumber(v.MargenIzq));
    setLeftTw(w.Texti, leftTw(w.UpDowni) - 600);
}

void ScanLoader::setInteractiveMargins(double widthPx) {
    MainWindow& w = w_;
    WorkingValues& v = w.v;
    if (!v.MargenIzq2Manual)
        v.MargenIzq2 = 0;
    // The right page of a spread starts one pixel past the middle, as on the automatic tab.
    if (!v.MargenDch2Manual)
        v.MargenDch2 = w.ChkSepara2Img->isChecked() ? roundHalfEven(widthPx / v.NumPaginas) + 1 : 0;
    for (QSlider* slider : {w.UpDowni2, w.UpDownd2}) {
        slider->setMinimum(0);
        slider->setMaximum(roundToInt32(widthPx));
    }
    // A start the program chose is not an operator's move: the slider's handler stays silent.
    const bool silenced = v.BloqueoEventos;
    v.BloqueoEventos = silenced || !v.MargenDch2Manual;
    w.UpDownd2->setValue(roundToInt32(v.MargenDch2));
    v.BloqueoEventos = silenced;
    w.UpDowni2->setValue(roundToInt32(v.MargenIzq2));
    // The next drawing of the rectangle limits the sliders to the rectangles' widths.
}
