#include "geometry/SelectionControls.h"

#include "app/ControlState.h"
#include "app/ImageBox.h"
#include "app/MainWindow.h"
#include "geometry/SliderMapping.h"
#include "util/Numbers.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>

#include <algorithm>
#include <cmath>

void SelectionControls::connectHandlers() {
    MainWindow& w = w_;
    auto onChange = [this](QSlider* slider, void (SelectionControls::*handler)()) {
        connect(slider, &QSlider::valueChanged, this, handler);
    };
    onChange(w.SelectionSize, &SelectionControls::SelectionSize_Change);
    onChange(w.SelectionWidth, &SelectionControls::SelectionWidth_Change);
    onChange(w.Altura, &SelectionControls::Altura_Change);
    onChange(w.SelectionSize2, &SelectionControls::SelectionSize2_Change);
    onChange(w.SelectionWidth2i, &SelectionControls::SelectionWidth2i_Change);
    onChange(w.SelectionWidth2d, &SelectionControls::SelectionWidth2d_Change);
    onChange(w.Altura2, &SelectionControls::Altura2_Change);
    onChange(w.UpDowni, &SelectionControls::UpDowni_Change);
    onChange(w.UpDownd, &SelectionControls::UpDownd_Change);
    onChange(w.UpDowni2, &SelectionControls::UpDowni2_Change);
    onChange(w.UpDownd2, &SelectionControls::UpDownd2_Change);
    onChange(w.UpDownQuality, &SelectionControls::UpDownQuality_Change);
    // An option button reports a click when it becomes the selected one.
    connect(w.optIzquierda, &QRadioButton::toggled, this, [this](bool selected) {
        if (selected)
            optIzquierda_Click();
    });
    connect(w.optDerecha, &QRadioButton::toggled, this, [this](bool selected) {
        if (selected)
            optDerecha_Click();
    });
    connect(w.AnchoGrande, &QLineEdit::textChanged, this, &SelectionControls::AnchoGrande_Change);
    connect(w.AltoGrande, &QLineEdit::textChanged, this, &SelectionControls::AltoGrande_Change);
    connect(w.AnchoPeque, &QLineEdit::textChanged, this, &SelectionControls::AnchoPeque_Change);
    connect(w.AltoPeque, &QLineEdit::textChanged, this, &SelectionControls::AltoPeque_Change);
}

double SelectionControls::referenceHeightPx() const {
    return w_.v.AltoImagenHM / w_.v.HimetricPorPixel;
}

void SelectionControls::DibujaSeleccion() {
    MainWindow& w = w_;
    WorkingValues& v = w.v;
    const double heightPx = referenceHeightPx();
    const double aspect = v.ProporcionPagina;

    const SelectionPixels automatic = selectionFromSliders(
        {w.SelectionSize->value(), w.Altura->value(), w.SelectionWidth->value()}, heightPx, aspect);
    v.LimiteInferior = automatic.bottom;
    v.MargenSuperior = automatic.top;
    v.AnchoSeleccion = automatic.width;
    const SelectionPixels interactiveLeft = selectionFromSliders(
        {w.SelectionSize2->value(), w.Altura2->value(), w.SelectionWidth2i->value()}, heightPx,
        aspect);
    v.LimiteInferior2 = interactiveLeft.bottom;
    v.MargenSuperior2 = interactiveLeft.top;
    v.AnchoSeleccion2i = interactiveLeft.width;
    v.AnchoSeleccion2d = roundHalfEven(w.SelectionWidth2d->value() / 1000.0 * (aspect * heightPx));
    if (w.Interactivo->isChecked())
        keepInteractiveRectanglesInside();

    // The top corner is drawn one display unit below the scaled margin.
    auto select = [](ImageBox* box, double s, double x, double width, double top, double bottom) {
        box->SelectArea(roundToInt32(s * x), roundToInt32(s * top + 1),
                        roundToInt32(s * (x + width)), roundToInt32(s * bottom));
    };
    if (!w.Interactivo->isChecked()) {
        const double s = v.EscalaVista;
        if (v.PaginaActiva == QLatin1String("i"))
            select(w.Imagen, s, v.MargenIzq, v.AnchoSeleccion, v.MargenSuperior, v.LimiteInferior);
        if (w.ChkSepara2Img->isChecked() && v.PaginaActiva == QLatin1String("d"))
            select(w.Imagen, s, v.MargenDch, v.AnchoSeleccion, v.MargenSuperior, v.LimiteInferior);
        if (v.PaginaActiva.isEmpty())
            v.PaginaActiva = QStringLiteral("i");
    }
    if (w.Interactivo->isChecked()) {
        const double s = v.EscalaVista2;
        const bool left = v.PaginaActiva == QLatin1String("i");
        select(w.Imagen2, s, left ? v.MargenIzq2 : v.MargenDch2,
               left ? v.AnchoSeleccion2i : v.AnchoSeleccion2d, v.MargenSuperior2,
               v.LimiteInferior2);
    }
}

void SelectionControls::keepInteractiveRectanglesInside() {
    MainWindow& w = w_;
    WorkingValues& v = w.v;
    if (v.AnchoImagenHM <= 0)
        return; // no scan has been measured yet
    const double widthPx = v.AnchoImagenHM / v.HimetricPorPixel;
    // The limits are not an operator's move: the sliders' handlers stay silent meanwhile.
    const bool silenced = v.BloqueoEventos;
    v.BloqueoEventos = true;
    auto fit = [widthPx](QSlider* slider, double pageWidth, double& margin) {
        const int limit = std::max(0, roundToInt32(std::floor(widthPx - pageWidth)));
        slider->setMinimum(0);
        slider->setMaximum(limit);
        margin = std::clamp(margin, 0.0, double(limit));
        slider->setValue(roundToInt32(margin));
    };
    fit(w.UpDowni2, v.AnchoSeleccion2i, v.MargenIzq2);
    fit(w.UpDownd2, v.AnchoSeleccion2d, v.MargenDch2);
    v.BloqueoEventos = silenced;
}

void SelectionControls::SelectionSize_Change() {
    DibujaSeleccion();
}
void SelectionControls::SelectionWidth_Change() {
    DibujaSeleccion();
}
void SelectionControls::Altura_Change() {
    DibujaSeleccion();
}

void SelectionControls::SelectionSize2_Change() {
    if (!w_.v.BloqueoEventos)
        DibujaSeleccion();
}

void SelectionControls::SelectionWidth2i_Change() {
    if (!w_.v.BloqueoEventos)
        DibujaSeleccion();
}

void SelectionControls::Altura2_Change() {
    if (!w_.v.BloqueoEventos)
        DibujaSeleccion();
}

void SelectionControls::SelectionWidth2d_Change() {
    if (enabledFlag(w_.optDerecha) && !w_.v.BloqueoEventos)
        DibujaSeleccion();
}

void SelectionControls::UpDowni_Change() {
    MainWindow& w = w_;
    w.v.MargenIzq = w.UpDowni->value();
    w.Texti->setText(formatNumber(w.v.MargenIzq));
    w.v.MargenIzqManual = true;
    w.v.PaginaActiva = QStringLiteral("i");
    w.optIzquierda->setChecked(true);
    DibujaSeleccion();
}

void SelectionControls::UpDownd_Change() {
    MainWindow& w = w_;
    if (!enabledFlag(w.UpDownd))
        return;
    // The slider gives the right page's right edge; a page never starts left of the scan.
    w.v.MargenDch = std::max(0.0, w.UpDownd->value() - w.v.AnchoSeleccion);
    w.Textd->setText(formatNumber(w.v.MargenDch));
    w.v.MargenDchManual = true;
    w.v.PaginaActiva = QStringLiteral("d");
    DibujaSeleccion();
}

void SelectionControls::UpDowni2_Change() {
    MainWindow& w = w_;
    if (w.v.BloqueoEventos)
        return;
    w.v.MargenIzq2 = w.UpDowni2->value();
    w.v.MargenIzq2Manual = true;
    w.v.PaginaActiva = QStringLiteral("i");
    DibujaSeleccion();
}

void SelectionControls::UpDownd2_Change() {
    MainWindow& w = w_;
    if (!enabledFlag(w.optDerecha) || w.v.BloqueoEventos)
        return;
    w.v.MargenDch2 = std::max(0, w.UpDownd2->value());
    w.v.MargenDch2Manual = true;
    w.v.PaginaActiva = QStringLiteral("d");
    w.optDerecha->setChecked(true);
    DibujaSeleccion();
}

void SelectionControls::UpDownQuality_Change() {
    w_.lblJpegQuality->setText(QString::number(w_.UpDownQuality->value()) + QLatin1Char('%'));
}

void SelectionControls::optIzquierda_Click() {
    w_.v.PaginaActiva = w_.optIzquierda->isChecked() ? QStringLiteral("i") : QStringLiteral("d");
    DibujaSeleccion();
}

void SelectionControls::optDerecha_Click() {
    if (!enabledFlag(w_.optDerecha))
        return;
    w_.v.PaginaActiva = w_.optDerecha->isChecked() ? QStringLiteral("d") : QStringLiteral("i");
    DibujaSeleccion();
}

void SelectionControls::AnchoGrande_Change() {
    w_.v.AnchoPagina = numericValueOfText(w_.AnchoGrande->text());
}

void SelectionControls::AltoGrande_Change() {
    w_.v.AltoPagina = numericValueOfText(w_.AltoGrande->text());
}

void SelectionControls::AnchoPeque_Change() {
    w_.v.AnchoMiniatura = numericValueOfText(w_.AnchoPeque->text());
}

void SelectionControls::AltoPeque_Change() {
    w_.v.AltoMiniatura = numericValueOfText(w_.AltoPeque->text());
}
