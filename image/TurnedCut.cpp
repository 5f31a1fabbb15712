#include "image/TurnedCut.h"

#include "image/TurnGeometry.h"

#include <QPainter>

QImage cutTurned(const QImage& source, double degrees, const QRect& area) {
    if (area.isEmpty() || source.isNull())
        return {};
    QImage out(area.size(), QImage::Format_RGB32);
    if (out.isNull())
        return {};
    out.fill(Qt::white);
    // The very painter and transform that turn the whole picture, shifted so that the area's
    // corner is the canvas's: the painter clips to this small canvas and samples only the
    // area's pixels.
    const TurnGeometry turn(source.size(), degrees);
    QPainter painter(&out);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setTransform(turn.transform() * QTransform::fromTranslate(-area.x(), -area.y()));
    painter.drawImage(0, 0, source);
    return out;
}
