#pragma once

#include <QObject>

class MainWindow;

// Drawing and moving the crop rectangle with the pointer on the interactive preview, drawing a
// rectangle on the full-size scan, and the quarter-degree turns of the interactive preview.
class PointerEditing : public QObject {
    Q_OBJECT
public:
    explicit PointerEditing(MainWindow& window) : w_(window) {}
    void connectHandlers();

    void Imagen2_MouseDown(int button, int shift, float x, float y);
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
};
