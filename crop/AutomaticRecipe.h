#pragma once

#include "crop/BookFollowing.h"
#include "crop/PagePipeline.h"
#include "crop/PageSettings.h"

#include <QString>
#include <memory>

// What the pages of a scan of the automatic tab take, built by the tab from its controls; in a
// batch only the names change from one scan to the next.
struct AutomaticRecipe {
    PageSettings settings;
    PageRecipe left;
    PageRecipe right;
    bool twoPages = false;
    // The book the run follows, when it follows one.
    std::shared_ptr<const BookReference> follow;

    // The pages of the scan at `path`, their files named after it.
    ScanRecipe forScan(const QString& path) const;
};
