#pragma once

#include "crop/PagePipeline.h"

#include <QString>

class MainWindow;
struct OutputSettings;

// What every page of a crop run takes, read from the window when a scan is cut; the side's own
// rectangle and the file names are added per page.
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

// Every setting of the window that shapes the pages a crop tab writes (`interactive`: tab 4,
// otherwise tab 1) as one text, the same for the same settings: output types, sizes, colour
// format and quality, the rectangle's sliders and the margins the operator set, trimming, the
// watermark (its prepared picture by content) and the effects. Read when a run starts, before
// its first load moves the margin sliders; what tells two runs' pages apart, for resuming.
QString pageSettingsText(MainWindow& window, bool interactive);

PageSettings pageSettingsFromWindow(MainWindow& window, const OutputSettings& settings, bool Graba,
                                    int top, double bottom);
