#include "geometry/PageDetection.h"

#include "app/ImageBox.h"
#include "app/MainWindow.h"
#include "app/ProgressList.h"
#include "geometry/FoundPageRects.h"
#include "geometry/PointerEditing.h"
#include "geometry/ScanLoader.h"
#include "geometry/SelectionControls.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSlider>

void PageDetection::connectHandlers() {
    connect(w_.cmdDetectar, &QPushButton::clicked, this, &PageDetection::cmdDetectar_Click);
    connect(w_.cmdICDetectar, &QPushButton::clicked, this, &PageDetection::cmdICDetectar_Click);
}

SliderRoom PageDetection::sliderRoom() const {
    const WorkingValues& v = w_.v;
    SliderRoom room;
    room.scan = w_.ImagenGrande->image().size();
    room.referenceWidth = v.AnchoImagenHM / v.HimetricPorPixel;
    room.referenceHeight = w_.selection().referenceHeightPx();
    room.pageAspect = v.ProporcionPagina;
    return room;
}

std::optional<PageFinding> PageDetection::findOnScreen(ProgressList* log, bool previewHoldsScan) {
    MainWindow& w = w_;
    PageFinding found;
    if (!previewHoldsScan || !w.ImagenGrande->HasImage() || w.v.AltoImagenHM <= 0 ||
        !(w.v.ProporcionPagina > 0)) {
        found.reason = QStringLiteral("No hay ninguna imagen en pantalla");
    } else {
        PageFinderOptions options;
        options.spread = w.ChkSepara2Img->isChecked();
        found = findPages(w.ImagenGrande->image(), options);
    }
    if (!found.found) {
        log->appendFailure(findingLine(found));
        return std::nullopt;
    }
    return found;
}

void PageDetection::cmdDetectar_Click() {
    MainWindow& w = w_;
    WorkingValues& v = w.v;
    // The automatic preview holds the scan when the automatic crop loaded it.
    const std::optional<PageFinding> found =
        findOnScreen(w.ListaProceso, !w.Interactivo->isChecked() && w.Imagen->HasImage());
    if (!found)
        return;
    // The preview shows the scan straightened; the scan itself stays as it was loaded.
    Picture turned = w.ImagenGrande->picture();
    turned.ClearSelection();
    turned.setSelectionEnabled(false);
    turned.setZoom(w.Imagen->Zoom());
    if (!turned.Rotate(float(found->angle))) {
        w.ListaProceso->appendFailure(
            QStringLiteral("No se pudo girar la vista previa: %1. No se cambia nada")
                .arg(turned.lastError()));
        return;
    }
    w.Imagen->setPicture(std::move(turned));
    v.AnguloDetectado = found->angle;
    v.LomoDetectado = found->gutter;

    const AutomaticSliders sliders = automaticSliders(*found, sliderRoom());
    const bool spread = w.ChkSepara2Img->isChecked();
    w.SelectionWidth->setValue(sliders.width);
    w.SelectionSize->setValue(sliders.size);
    w.Altura->setValue(sliders.top);
    w.selection().DibujaSeleccion();
    v.MargenIzqManual = true;
    v.MargenDchManual = v.MargenDchManual || spread;
    // A slider clamped to its new range runs its handler, which moves its margin: the second
    // pass finds the ranges already set and puts both margins where they belong.
    for (int pass = 0; pass < 2; ++pass) {
        v.MargenIzq = sliders.left;
        if (spread)
            v.MargenDch = sliders.right;
        w.loader().setAutomaticPositionSliders(v.AnchoImagenHM / v.HimetricPorPixel);
    }
    w.selection().DibujaSeleccion();
    w.ListaProceso->appendLine(findingLine(*found));
}

void PageDetection::cmdICDetectar_Click() {
    MainWindow& w = w_;
    WorkingValues& v = w.v;
    const std::optional<PageFinding> found =
        findOnScreen(w.lstActividad, w.Interactivo->isChecked() && w.Imagen2->HasImage());
    if (!found)
        return;
    v.AnguloDetectado = found->angle;
    v.LomoDetectado = found->gutter;
    w.pointer().turnPreview(float(found->angle));

    const InteractiveSliders sliders = interactiveSliders(*found, sliderRoom());
    const bool spread = w.ChkSepara2Img->isChecked();
    // As after a rectangle drawn with the pointer, the sliders take the rectangles without their
    // handlers; the drawing that follows keeps the position sliders at the margins.
    const bool silenced = v.BloqueoEventos;
    v.BloqueoEventos = true;
    w.SelectionSize2->setValue(sliders.size);
    w.Altura2->setValue(sliders.top);
    w.SelectionWidth2i->setValue(sliders.widthLeft);
    v.MargenIzq2 = sliders.left;
    v.MargenIzq2Manual = true;
    if (spread) {
        w.SelectionWidth2d->setValue(sliders.widthRight);
        v.MargenDch2 = sliders.right;
        v.MargenDch2Manual = true;
    }
    w.selection().DibujaSeleccion();
    v.BloqueoEventos = silenced;
    w.lstActividad->appendLine(findingLine(*found));
}
