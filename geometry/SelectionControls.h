#pragma once

#include <QObject>

class MainWindow;

// The crop rectangle set with the sliders around the previews, the page-side option buttons,
// the size text boxes and the JPEG quality slider.
class SelectionControls : public QObject {
    Q_OBJECT
public:
    explicit SelectionControls(MainWindow& window) : w_(window) {}
    void connectHandlers();

    // Turns the slider values into the selection in image pixels and shows the rectangle of the
    // active page side on the preview of the tab in use.
    void DibujaSeleccion();

    void SelectionSize_Change();
    void SelectionWidth_Change();
    void Altura_Change();
    void SelectionSize2_Change();
    void SelectionWidth2i_Change();
    void SelectionWidth2d_Change();
    void Altura2_Change();
    void UpDowni_Change();
    void UpDownd_Change();
    void UpDowni2_Change();
    void UpDownd2_Change();
    void UpDownQuality_Change();
    void optIzquierda_Click();
    void optDerecha_Click();
    void AnchoGrande_Change();
    void AltoGrande_Change();
    void AnchoPeque_Change();
    void AltoPeque_Change();

    // Height of the reference scan in pixels.
    double referenceHeightPx() const;

private:
    // Limits the interactive tab's position sliders so that each page's rectangle, at its
    // current width, stays inside the reference scan; a margin past the limit is moved back.
    void keepInteractiveRectanglesInside();

    MainWindow& w_;
};
