#pragma once

// What the crop-run tests share: spreads whose halves tell their scan and side by colour, and
// ways to read back the pages, the progress lists and the folders they were written into.
#include "ListLines.h"
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QListWidget>
#include <QMouseEvent>
#include <QTest>

// Each half of each spread has a colour of its own, so a page tells which scan and side it came
// from.
inline QColor leftColour(int scan) {
    return QColor(30 * scan, 180, 60);
}
inline QColor rightColour(int scan) {
    return QColor(220, 30 * scan, 160);
}

constexpr int kSpreadWidth = 800;
constexpr int kSpreadHeight = 500;

inline void writeSpread(const QString& path, int scan) {
    QImage spread(kSpreadWidth, kSpreadHeight, QImage::Format_RGB32);
    spread.fill(rightColour(scan));
    for (int y = 0; y < kSpreadHeight; ++y)
        for (int x = 0; x < kSpreadWidth / 2; ++x)
            spread.setPixel(x, y, leftColour(scan).rgb());
    QVERIFY(spread.save(path));
}

inline bool near(QRgb pixel, const QColor& colour, int tolerance = 6) {
    return qAbs(qRed(pixel) - colour.red()) <= tolerance &&
           qAbs(qGreen(pixel) - colour.green()) <= tolerance &&
           qAbs(qBlue(pixel) - colour.blue()) <= tolerance;
}

inline QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

// The click of a person: queued, delivered when the window next takes its events.
inline void postClick(QWidget* target) {
    const QPointF at(target->width() / 2.0, target->height() / 2.0);
    QCoreApplication::postEvent(target, new QMouseEvent(QEvent::MouseButtonPress, at,
                                                        target->mapToGlobal(at), Qt::LeftButton,
                                                        Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(target, new QMouseEvent(QEvent::MouseButtonRelease, at,
                                                        target->mapToGlobal(at), Qt::LeftButton,
                                                        Qt::NoButton, Qt::NoModifier));
}
