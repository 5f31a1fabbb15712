#pragma once

#include "crop/PageOutput.h"

#include <optional>

class MainWindow;
class ProgressList;

// What the crop tabs read from the window's controls before a run, handed to the run as values.

// The output settings, checked before anything is cut; nothing (after a line in `log` naming the
// setting) when one of them names no row of its list.
std::optional<OutputSettings> readOutputSettings(MainWindow& window, ProgressList* log);
