#pragma once

#include "detect/PageFinder.h"

#include <QObject>
#include <optional>

class MainWindow;
class ProgressList;
struct SliderRoom;

// The buttons that find the pages of the scan on screen: its turn, its fold and where each page
// lies. The automatic tab's turns its preview and sets its sliders; the interactive tab's sets
// the turn its cut applies, turns its preview and places its rectangles.
class PageDetection : public QObject {
    Q_OBJECT
public:
    explicit PageDetection(MainWindow& window) : w_(window) {}
    void connectHandlers();

    void cmdDetectar_Click();
    void cmdICDetectar_Click();

private:
    // The pages of the scan on screen, when the tab's preview holds it; nothing when they were
    // not found, with a line in `log` that says why (and nothing has changed).
    std::optional<PageFinding> findOnScreen(ProgressList* log, bool previewHoldsScan);
    SliderRoom sliderRoom() const;

    MainWindow& w_;
};
