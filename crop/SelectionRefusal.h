#pragma once

#include <QString>

// Whether a rectangle on the scan can give a page, for both crop runs.

// Why the selection cannot give a page (empty, or bottom edge at 0, or no page size), in words
// for the operator; empty when it can.
QString selectionRefusal(double top, double bottom, double width, double pageWidth,
                         double pageHeight);
