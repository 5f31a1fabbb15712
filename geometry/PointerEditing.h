#pragma once

#include "image/Picture.h"

#include <QObject>
#include <QPoint>
#include <QString>

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

    // The caption beside the turn's arrows: "Giro: -0,75°".
    static QString turnCaption(float degrees);

    // Sets the turn the interactive cut will apply (AnguloGiro) and shows the preview turned by
    // it, with its rectangle, and the turn beside the arrows.
    void turnPreview(float degrees);

private:
    // Shows the accumulated turn beside the arrows.
    void showTurn();
    // Lets go of the unturned preview once another picture has taken the turned one's place.
    void forgetReplacedPreview();

    // A pointer coordinate on the interactive preview in display units.
    double toDisplayUnits(float pointer) const;

    MainWindow& w_;
    // Shows the rectangle being drawn while the button is down; the selection itself changes
    // only when the button is released.
    QRubberBand* rubberBand_ = nullptr;
    QPoint dragStart_;
    // The preview as it came on screen, and the key of the turned copy shown in its place: each
    // turn is drawn from the unturned picture by the whole accumulated angle, as the cut does,
    // so turning back and forth neither grows the canvas nor shifts the scan.
    Picture unturned_;
    qint64 shownKey_ = 0;
};
