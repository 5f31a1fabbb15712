#pragma once

#include <QString>

class ImageBox;
class MainWindow;
class ProgressList;

// Cutting one page out of the full-size scan, shared by both crop runs.

// Why the selection cannot give a page (empty, or bottom edge at 0, or no page size), in words
// for the operator; empty when it can.
QString selectionRefusal(double top, double bottom, double width, double pageWidth,
                         double pageHeight);

// Cuts the rectangle from `left` (`width` wide) and from `top` down to `bottom` out of
// `ImagenGrande` into `page` and brings it to the output page size, ready to save in
// `colorCode`. The cut keeps its proportions on a white canvas of the output page's shape at the
// scan's scale (the bottom edge maps to the page height); with distortion allowed it is
// stretched instead, or, with `keepDistortedSize`, kept at its own pixel size. A page that could
// not be cut is a line in `log` and is emptied, so that no stale pixels can be written.
bool cutPageFromScan(MainWindow& window, ImageBox* page, double left, double width, int top,
                     double bottom, bool keepDistortedSize, int colorCode, ProgressList* log);
