#pragma once

#include "crop/PageOutput.h"
#include "crop/PageSettings.h"

#include <QString>
#include <optional>

class MainWindow;
class ProgressList;

// What the crop tabs read from the window's controls before a run, handed to the run as values.

// The output settings, checked before anything is cut; nothing (after a line in `log` naming the
// setting) when one of them names no row of its list.
std::optional<OutputSettings> readOutputSettings(MainWindow& window, ProgressList* log);

// Every setting of the window that shapes the pages a crop tab writes (`interactive`: tab 4,
// otherwise tab 1) as one text, the same for the same settings: output types, sizes, colour
// format and quality, the rectangle's sliders and the margins the operator set, trimming, the
// watermark (its prepared picture by content) and the effects. Read when a run starts, before
// its first load moves the margin sliders; what tells two runs' pages apart, for resuming.
QString pageSettingsText(MainWindow& window, bool interactive);

// What every page of a scan takes as the window's controls set it now, with the page's top and
// bottom edges (`top`, `bottom`) from the tab's own rectangle; files are encoded with the pages
// only when they are to be written (`Graba`).
PageSettings pageSettingsFromWindow(MainWindow& window, const OutputSettings& settings, bool Graba,
                                    int top, double bottom);
