#pragma once

#include "crop/BookFollowing.h"
#include "image/Picture.h"
#include "watermark/WatermarkOverlay.h"

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QString>
#include <memory>
#include <optional>

// What making one page of a scan takes: everything read from the window before the page is cut,
// so that the same page can be made on the window's thread or ahead on a batch worker, with the
// same result to the byte.
struct PageRecipe {
    // The rectangle on the scan, in scan pixels: left edge and width, top and bottom edges.
    double left = 0;
    double width = 0;
    int top = 0;
    double bottom = 0;
    // Set when the rectangle lies on a turned scan: on the canvas that Picture::Rotate(*turn)
    // would make of it (see TurnGeometry). The page is then sampled from the scan through the
    // turn straight at its output size, and the scan is never turned whole.
    std::optional<double> turn;
    // How far the rectangle is moved from where the edges above put it, in whole pixels; the page
    // keeps the scale those edges give, so that the pages of a followed book keep one size.
    QPoint shift;
    // The output page size.
    double pageWidth = 0;
    double pageHeight = 0;
    // Distortion allowed: the cut is stretched to the page size, or with `keepDistortedSize`
    // kept at its own size.
    bool distort = false;
    bool keepDistortedSize = false;
    int colorCode = 0;
    int jpegQuality = 75;
    int tiffCompression = 0;
    // Dark-margin trimming with this tolerance, when set.
    std::optional<int> trimTolerance;
    std::optional<WatermarkStamp> watermark;
    // The files the page is encoded for ahead (their names give their types), and the thumbnail
    // size; empty names: nothing encoded ahead (a test, or effects to come on the window's
    // thread).
    QString largeName;
    QString thumbnailName;
    int thumbnailWidth = 0;
    int thumbnailHeight = 0;

    bool operator==(const PageRecipe&) const = default;
};

// A page made from a scan: the page itself, what went wrong on the way, and the files it is
// written as, encoded when its recipe named them.
struct PreparedPage {
    // Why the rectangle cannot give a page at all (then nothing was cut).
    QString refusal;
    bool cut = false;
    QString cutError;
    QString trimError;
    QString watermarkError;
    Picture page;
    // The part of the scan that was cut, as the copy slot holds it after the cut; for a page
    // sampled through a turn, the page as sampled (the turned cut is never made at full size).
    PictureCopy cutCopy;
    // The scan's selection for this page, in scan pixels (corners as SelectArea takes them); on
    // the turned canvas for a page sampled through a turn.
    QRect scanSelection;

    QByteArray largeBytes;
    QString largeError;
    bool largeEncoded = false;
    Picture thumbnail;
    QByteArray thumbnailBytes;
    QString thumbnailError;
    bool thumbnailEncoded = false;
};

// Cuts, scales, converts, trims and stamps one page of `scan`, and encodes its files when the
// recipe names them. Safe on any thread: it touches no window and no shared state.
PreparedPage preparePage(const Picture& scan, const PageRecipe& recipe);

// The pages of one scan, in the order they are cut.
struct ScanRecipe {
    QList<PageRecipe> pages;
    // Set when the pages follow the book: the scan's pages are found, and the rectangles (set on
    // this reference) are turned and moved with the book before the pages are cut.
    std::shared_ptr<const BookReference> follow;

    bool operator==(const ScanRecipe&) const = default;
};

// What was made of one scan: its pages, and where the book was found when they followed it.
struct PreparedScan {
    QList<PreparedPage> pages;
    std::optional<FollowedBook> followed;
};
// Finds the book first when the recipe follows it. Safe on any thread; the same scan and recipe
// give the same pages wherever it runs.
PreparedScan prepareScan(const Picture& scan, const ScanRecipe& recipe);
