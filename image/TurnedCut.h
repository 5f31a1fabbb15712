#pragma once

#include <QImage>
#include <QRect>

// One rectangle of a turned picture, made without turning the rest of it: every pixel of `area`
// (in the coordinates of the canvas that Picture::Rotate(degrees) would make, see TurnGeometry)
// is sampled straight from `source` through the turn, bilinearly, and what falls outside the
// source is white, as on Picture::Rotate's canvas. The same painter draws it as draws the turn
// of the whole picture, onto a canvas of the area alone, so the result is that turn followed by
// a cut of `area` at the cost of the area only.
//
// Any `source` format (premultiplied colour is laid on white, as the turn lays it). The result
// is RGB32, `area`'s size; a null image when `area` is empty or there is no memory. Safe on any
// thread.
QImage cutTurned(const QImage& source, double degrees, const QRect& area);
