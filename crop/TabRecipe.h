#pragma once

#include "crop/BookFollowing.h"
#include "crop/PagePipeline.h"
#include "crop/PageSettings.h"

#include <memory>

// What the pages of a scan take on either crop tab, built by the tab from its controls: the
// settings every page shares, each side's page, and the book the run follows, when it follows
// one.
struct TabRecipe {
    PageSettings settings;
    PageRecipe left;
    PageRecipe right;
    bool twoPages = false;
    std::shared_ptr<const BookReference> follow;
};
