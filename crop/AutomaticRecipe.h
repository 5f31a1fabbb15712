#pragma once

#include "crop/TabRecipe.h"

#include <QString>

// What the pages of a scan of the automatic tab take; in a batch only the names change from one
// scan to the next.
struct AutomaticRecipe : TabRecipe {
    // The pages of the scan at `path`, their files named after it.
    ScanRecipe forScan(const QString& path) const;
};
