#include "geometry/PointerEditing.h"

#include "app/ImageBox.h"
#include "app/MainWindow.h"
#include "app/UpDown.h"
#include "geometry/SelectionControls.h"
#include "geometry/SliderMapping.h"
#include "util/Numbers.h"

#include <QLabel>
#include <QLocale>
#include <QRubberBand>
#include <QSlider>
#include <utility>

void PointerEditing::connectHandlers() {
    MainWindow& w = w_;
    connect(w.Imagen2, &ImageBox::MouseDown, this, &PointerEditing::Imagen2_MouseDown);
    connect(w.Imagen2, &ImageBox::MouseMove, this, &PointerEditing::Imagen2_MouseMove);
    connect(w.Imagen2, &ImageBox::MouseUp, this, &PointerEditing::Imagen2_MouseUp);
    // A double-click clears the rectangle; a single click ends every drag, so it cannot.
    connect(w.Imagen2, &ImageBox::DblClick, this, &PointerEditing::Imagen2_DblClick);
    connect(w.ImagenGrande, &ImageBox::MouseDown, this, &PointerEditing::ImagenGrande_MouseDown);
    connect(w.ImagenGrande, &ImageBox::MouseUp, this, &PointerEditing::ImagenGrande_MouseUp);
    connect(w.ImagenGrande, &ImageBox::Click, this, &PointerEditing::ImagenGrande_Click);
    connect(w.UpDownAngle, &UpDown::valueChanged, this, &PointerEditing::UpDownAngle_Change);
    connect(w.Imagen2, &ImageBox::pictureChanged, this, &PointerEditing::forgetReplacedPreview);
    // Queued: the interactive cut puts the turned scan on screen before it clears the angle.
    connect(w.Imagen2, &ImageBox::pictureChanged, this, &PointerEditing::showTurn,
            Qt::QueuedConnection);
    showTurn();
}

double PointerEditing::toDisplayUnits(float pointer) const {
    const qint32 scaled = qint32(roundToInt32(pointer)) * 100;
    return roundHalfEven(scaled / w_.Imagen2->PointerScale());
}

void PointerEditing::Imagen2_MouseDown(int button, int, float x, float y) {
    WorkingValues& v = w_.v;
    if (button == 1) {
        if (!rubberBand_)
            rubberBand_ = new QRubberBand(QRubberBand::Rectangle, w_.Imagen2);
        dragStart_ = QPoint(roundToInt32(x), roundToInt32(y));
        rubberBand_->setGeometry(QRect(dragStart_, QSize()));
        rubberBand_->show();
    }
    const bool left = v.PaginaActiva == QLatin1String("i");
    if (button == 1) {
        (left ? v.InicioXi : v.InicioXd) = toDisplayUnits(x);
        (left ? v.InicioYi : v.InicioYd) = toDisplayUnits(y);
    } else {
        (left ? v.PulsacionXi : v.PulsacionXd) = toDisplayUnits(x);
        (left ? v.PulsacionYi : v.PulsacionYd) = toDisplayUnits(y);
    }
}

void PointerEditing::Imagen2_MouseMove(int button, int, float x, float y) {
    if ((button & 1) && rubberBand_ && rubberBand_->isVisible())
        rubberBand_->setGeometry(
            QRect(dragStart_, QPoint(roundToInt32(x), roundToInt32(y))).normalized());
}

void PointerEditing::Imagen2_MouseUp(int button, int, float x, float y) {
    MainWindow& w = w_;
    if (rubberBand_)
        rubberBand_->hide();
    WorkingValues& v = w.v;
    const bool left = v.PaginaActiva == QLatin1String("i");
    const double px = toDisplayUnits(x);
    const double py = toDisplayUnits(y);
    if (button == 1) {
        if (left) {
            v.FinXi = px;
            v.FinYi = py;
        } else {
            v.FinXd = px;
            v.FinYd = qint32(py);
        }
        // The first corner becomes the top-left one, on both sides.
        if (v.InicioXi > v.FinXi)
            std::swap(v.InicioXi, v.FinXi);
        if (v.InicioXd > v.FinXd)
            std::swap(v.InicioXd, v.FinXd);
        if (v.InicioYi > v.FinYi)
            std::swap(v.InicioYi, v.FinYi);
        if (v.InicioYd > v.FinYd) {
            const double first = v.InicioYd;
            v.InicioYd = v.FinYd;
            v.FinYd = qint32(first);
        }
    } else if (left) {
        const double dx = px - v.PulsacionXi;
        const double dy = py - v.PulsacionYi;
        v.InicioXi += dx;
        v.FinXi += dx;
        v.InicioYi += dy;
        v.FinYi += dy;
    } else {
        const double dx = px - v.PulsacionXd;
        const double dy = py - v.PulsacionYd;
        v.InicioXd += dx;
        v.FinXd += dx;
        v.InicioYd += dy;
        v.FinYd = qint32(v.FinYd + dy);
    }

    const double e = v.EscalaVista2;
    if (!(e > 0))
        return; // nothing loaded yet: there is no scale to measure with
    const double heightPx = v.AltoImagenHM / v.HimetricPorPixel;
    if (left) {
        v.MargenIzq2 = v.InicioXi / e;
        v.MargenSuperior2 = roundToInt32(v.InicioYi / e);
        v.AnchoSeleccion2i = (v.FinXi - v.InicioXi) / e;
        v.LimiteInferior2 = v.FinYi / e;
    } else {
        v.MargenDch2 = v.InicioXd / e;
        v.MargenSuperior2 = roundToInt32(v.InicioYd / e);
        v.AnchoSeleccion2d = v.FinXd / e - v.MargenDch2;
        v.LimiteInferior2 = v.FinYd / e;
    }

    // The sliders take the new rectangle without their own handlers running.
    v.BloqueoEventos = true;
    w.SelectionSize2->setValue(sliderFromPixels(v.LimiteInferior2, heightPx));
    w.Altura2->setValue(sliderFromPixels(v.MargenSuperior2, heightPx));
    const double fullWidth = heightPx * v.ProporcionPagina;
    if (left) {
        w.SelectionWidth2i->setValue(sliderFromPixels(v.AnchoSeleccion2i, fullWidth));
        w.UpDowni2->setValue(roundToInt32(v.MargenIzq2));
    } else {
        w.SelectionWidth2d->setValue(sliderFromPixels(v.AnchoSeleccion2d, fullWidth));
        w.UpDownd2->setValue(roundToInt32(v.MargenDch2));
    }
    w.selection().DibujaSeleccion();
    v.BloqueoEventos = false;
}

void PointerEditing::Imagen2_DblClick() {
    w_.Imagen2->ClearSelection();
}

void PointerEditing::ImagenGrande_MouseDown(int, int, float x, float y) {
    WorkingValues& v = w_.v;
    if (v.PaginaActiva == QLatin1String("i")) {
        v.InicioXi = x;
        v.InicioYi = y;
    } else {
        v.InicioXd = x;
        v.InicioYd = y;
    }
}

void PointerEditing::ImagenGrande_MouseUp(int, int, float x, float y) {
    WorkingValues& v = w_.v;
    if (v.PaginaActiva == QLatin1String("i")) {
        v.FinXi = x;
        v.FinYi = y;
        w_.ImagenGrande->SelectArea(roundToInt32(v.InicioXi), roundToInt32(v.InicioYi),
                                    roundToInt32(v.FinXi), roundToInt32(v.FinYi));
    } else {
        v.FinXd = x;
        v.FinYd = roundToInt32(y);
        w_.ImagenGrande->SelectArea(roundToInt32(v.InicioXd), roundToInt32(v.InicioYd),
                                    roundToInt32(v.FinXd), v.FinYd);
    }
}

void PointerEditing::ImagenGrande_Click() {
    w_.ImagenGrande->setSelectionEnabled(true);
}

void PointerEditing::UpDownAngle_Change() {
    MainWindow& w = w_;
    const int steps = w.UpDownAngle->value();
    if (steps == 0)
        return;
    turnPreview(w.v.AnguloGiro + -0.25f * steps);
    w.UpDownAngle->setValue(0);
}

void PointerEditing::turnPreview(float degrees) {
    MainWindow& w = w_;
    w.v.AnguloGiro = degrees;
    ImageBox* preview = w.Imagen2;
    preview->setViewFlag(true);
    if (preview->HasImage()) {
        if (preview->image().cacheKey() != shownKey_ || !unturned_.HasImage())
            unturned_ = preview->picture();
        Picture turned = unturned_;
        turned.setZoom(preview->Zoom());
        turned.Rotate(w.v.AnguloGiro);
        shownKey_ = turned.image().cacheKey();
        preview->setPicture(std::move(turned));
        // The turn took the rectangle off the picture.
        w.selection().DibujaSeleccion();
    }
    showTurn();
}

QString PointerEditing::turnCaption(float degrees) {
    QLocale spanish(QLocale::Spanish, QLocale::Spain);
    spanish.setNumberOptions(QLocale::OmitGroupSeparator);
    // Quarter-degree steps need at most two decimals; "-0" would look like a turn.
    const double shown = degrees == 0 ? 0.0 : double(degrees);
    QString number = spanish.toString(shown, 'f', 2);
    while (number.endsWith(QLatin1Char('0')))
        number.chop(1);
    if (number.endsWith(spanish.decimalPoint()))
        number.chop(spanish.decimalPoint().size());
    return QStringLiteral("Giro: %1°").arg(number);
}

void PointerEditing::showTurn() {
    w_.lblAnguloGiro->setText(turnCaption(w_.v.AnguloGiro));
}

void PointerEditing::forgetReplacedPreview() {
    if (w_.Imagen2->image().cacheKey() != shownKey_)
        unturned_ = Picture();
}
