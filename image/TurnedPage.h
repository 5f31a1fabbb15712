#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

// A page made straight from a turned picture at the page's own size: the rectangle `area` of the
// canvas that Picture::Rotate(degrees) would make of `source` (see TurnGeometry), of which only
// `shown` (same coordinates, inside `area`) holds the picture while the rest stays white, scaled
// to `size`. The result is what turning the whole picture, copying `shown` onto a white canvas
// of `area`'s size at `area`'s corner and smooth scaling that canvas give, without turning more
// than the page: the picture is never turned whole. What lies beyond the picture is white, as on
// the turned canvas.
//
// Any `source` format (premultiplied colour is laid on white, as the turn lays it). The result
// is RGB32 of `size`; a null image when `area` or `size` is empty or there is no memory. Safe
// on any thread.
QImage turnedPage(const QImage& source, double degrees, const QRect& area, const QRect& shown,
                  QSize size);
