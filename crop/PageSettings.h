#pragma once

#include "crop/PagePipeline.h"

#include <QString>

// What every page of a crop run takes, read from the window by the tab when a scan is cut; the
// side's own rectangle and the file names are added per page.
struct PageSettings {
    PageRecipe page;
    // TIFF compression asked for now; once asked for, it stays with the page boxes.
    bool compress = false;
    QString largeSuffix;
    QString extension;
    QString thumbnailExtension;
    // Files are made with the pages, unless there are none to write or effects are still to
    // come (those are applied on the window's thread, and the files are made there after them).
    bool encode = false;

    // The page with the rectangle from `left`, `width` wide, compressed as a box that holds
    // `tiffCompressionNow` would be.
    PageRecipe forSide(double left, double width, int tiffCompressionNow) const;
    // Names the files of `page`, whose base name is `base`, beside the scan at `scanPath`.
    void nameFiles(PageRecipe& page, const QString& scanPath, const QString& base) const;
};
