#pragma once

#include <QObject>
#include <QPoint>

class MainWindow;
class QRubberBand;

// Drawing and moving the crop rectangle with the pointer on the interactive preview, drawing a
// rectangle on the full-size scan, and the quarter-degree turns of the interactive preview.
class PointerEditing : public QObject {
    Q_OBJECT
public:
    explicit PointerEditing(MainWindow& window) : w_(window) {}
    void connectHandlers();

    void Imagen2_MouseDown(int button, int shift, float x, float y);
    void Imagen2_MouseMove(int button, int shift, float x, float y);
    void Imagen2_MouseUp(int button, int shift, float x, float y);
    void Imagen2_DblClick();
    void ImagenGrande_MouseDown(int button, int shift, float x, float y);
    void ImagenGrande_MouseUp(int button, int shift, float x, float y);
    void ImagenGrande_Click();
    void UpDownAngle_Change();

private:
    // A pointer coordinate on the interactive preview in display units.
    double toDisplayUnits(float pointer) const;

    MainWindow& w_;
    // Shows the rectangle being drawn while the button is down; the selection itself changes
    // only when the button is released.
    QRubberBand* rubberBand_ = nullptr;
    QPoint dragStart_;
};
