#pragma once

#include "util/Numbers.h"

#include <QWidget>

// Control positions and sizes are reckoned in twips, 15 to a logical pixel, as the layout
// constants of the crop tabs are given; a value set is taken to the nearest whole pixel.
constexpr double kTwipsPerPixel = 15.0;

inline double leftTw(const QWidget* c) {
    return c->x() * kTwipsPerPixel;
}
inline double topTw(const QWidget* c) {
    return c->y() * kTwipsPerPixel;
}
inline double widthTw(const QWidget* c) {
    return c->width() * kTwipsPerPixel;
}
inline double heightTw(const QWidget* c) {
    return c->height() * kTwipsPerPixel;
}

inline int twipsToPixels(double twips) {
    return roundToInt32(twips / kTwipsPerPixel);
}

inline void setLeftTw(QWidget* c, double twips) {
    c->move(twipsToPixels(twips), c->y());
}
inline void setTopTw(QWidget* c, double twips) {
    c->move(c->x(), twipsToPixels(twips));
}
inline void setWidthTw(QWidget* c, double twips) {
    c->resize(twipsToPixels(twips), c->height());
}
inline void setHeightTw(QWidget* c, double twips) {
    c->resize(c->width(), twipsToPixels(twips));
}
