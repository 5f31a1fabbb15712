#pragma once

#include <QString>

class MainWindow;
struct ScanRead;
class ProgressList;

// Brings the current scan into the window: the full-size box, its labels, the page size, the
// reference size that all geometry uses, the layout of the preview and its sliders, and the
// preview itself.
class ScanLoader {
public:
    explicit ScanLoader(MainWindow& window) : w_(window) {}

    // `readAhead`, when given, is the scan as a batch worker read it, taken instead of reading
    // the file again while the file is unchanged.
    void CargaImagen(ScanRead* readAhead = nullptr);

    // The folder of the scan on screen (its file is FicheroCargado), as the last successful load
    // read it: the current folder and file may have changed since, with a click on another row.
    QString loadedFolder() const { return loadedFolder_; }

    // A preview box draws one display unit at this many screen pixels, so that a scan shown at
    // 100 × its display scale fills the box: 26.455 HIMETRIC per pixel ÷ (2 × 15 twips per pixel).
    static double previewPixelsPerDisplayUnit();

    // The automatic tab's position sliders: their ranges for the current page width, and their
    // values from MargenIzq and MargenDch (each setting runs the slider's change handler, as an
    // operator's move would). `widthPx` is the reference scan's width.
    void setAutomaticPositionSliders(double widthPx);

private:
    ProgressList* progressListInUse() const;
    void layOutAutomaticTab(double gap, double sideGap);
    void layOutInteractiveTab(double gap, double sideGap);
    void setAutomaticMargins(double widthPx);
    void setInteractiveMargins(double widthPx);

    MainWindow& w_;
    QString loadedFolder_;
};
