#pragma once

// Open books on a scanner bed, drawn without fonts so that every machine draws them alike: one or
// two pages of word-like bars (text, a chapter opening, a plate or a blank page), turned and
// shifted on a dark bed with the fold's shadow and noise, and where everything lands on the
// canvas of the turn that straightens the scan.
#include "image/TurnGeometry.h"

#include <QImage>
#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <random>

namespace turned_book {

enum Kind { Text, Chapter, Picture, Blank };

struct Book {
    int pages = 2;
    Kind kinds[2] = {Text, Text};
    double angle = 0; // the turn that straightens the scan
    QPointF shift;
};

struct Scan {
    QImage image;
    QTransform place;   // the open book's own pixels onto the scan
    double gutter = -1; // on the scan at mid height
    QRectF paper[2];    // on the turned canvas
    QRectF content[2];  // on the turned canvas; null for a blank page
};

constexpr int kPageW = 540, kPageH = 770;

// Word-like bars on the lines of a text block (no fonts, so that no machine draws them
// differently); returns their bounding box.
inline QRect drawLines(QPainter& painter, const QRect& block, int lines, std::mt19937& random) {
    std::uniform_int_distribution<int> word(8, 40), ink(15, 45);
    QRect drawn;
    for (int k = 0; k < lines && 15 * k + 6 < block.height(); ++k) {
        const int y = block.top() + 15 * k;
        const int end = k % 9 == 8 ? block.center().x() : block.right();
        for (int x = block.left() + (k % 9 == 0 ? 20 : 0); x < end;) {
            const QRect bar(x, y, std::min(word(random), end - x), k % 3 ? 5 : 6);
            painter.fillRect(bar, QColor(ink(random), ink(random), ink(random)));
            drawn |= bar;
            x = bar.right() + 6;
        }
    }
    return drawn;
}

inline QRect drawPage(QPainter& painter, const QRect& page, Kind kind, bool left,
                      std::mt19937& random) {
    const QRect block = page.adjusted(left ? 60 : 72, 60, left ? -72 : -60, -90);
    QRect drawn;
    if (kind == Text) {
        drawn = drawLines(painter, block, 1000, random);
    } else if (kind == Chapter) {
        const QRect heading(block.center().x() - 80, block.top() + 150, 160, 14);
        painter.fillRect(heading, QColor(120, 24, 20));
        drawn = heading | drawLines(painter, block.adjusted(0, 200, 0, 0), 4, random);
    } else if (kind == Picture) {
        QLinearGradient sky(block.topLeft(), block.bottomRight());
        sky.setColorAt(0, QColor(40, 90, 160));
        sky.setColorAt(1, QColor(200, 150, 60));
        painter.fillRect(block, sky);
        drawn = block;
    }
    if (kind != Blank) {
        const QRect folio(block.center().x() - 8, page.bottom() - 50, 16, 7);
        painter.fillRect(folio, QColor(30, 30, 30));
        drawn |= folio;
    }
    return drawn;
}

// An open book turned by −angle and shifted on a dark bed, with paper shading, the fold's shadow
// and noise, and where everything lands on the canvas that straightens it.
inline Scan makeScan(const Book& book, QSize size = QSize(1240, 877)) {
    std::mt19937 random(17);
    const int width = book.pages * kPageW;
    QImage paper(width, kPageH, QImage::Format_RGB32);
    paper.fill(QColor(236, 231, 214));
    QRect content[2];
    {
        QPainter painter(&paper);
        for (int k = 0; k < book.pages; ++k)
            content[k] = drawPage(painter, QRect(k * kPageW, 0, kPageW, kPageH), book.kinds[k],
                                  k == 0 && book.pages == 2, random);
    }
    if (book.pages == 2)
        for (int y = 0; y < kPageH; ++y) {
            auto* line = reinterpret_cast<QRgb*>(paper.scanLine(y));
            for (int x = 0; x < width; ++x) {
                const double d = (x - kPageW) / 35.0, shade = 1 - 0.36 * std::exp(-d * d);
                line[x] = qRgb(int(qRed(line[x]) * shade), int(qGreen(line[x]) * shade),
                               int(qBlue(line[x]) * shade));
            }
        }
    Scan scan;
    scan.image = QImage(size, QImage::Format_RGB32);
    scan.image.fill(QColor(22, 22, 26));
    QTransform place;
    place.translate(size.width() / 2.0 + book.shift.x(), size.height() / 2.0 + book.shift.y());
    place.rotate(-book.angle);
    place.translate(-width / 2.0, -kPageH / 2.0);
    {
        QPainter painter(&scan.image);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.setTransform(place);
        painter.drawImage(0, 0, paper);
    }
    std::uniform_int_distribution<int> noise(-4, 4);
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(scan.image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const int n = noise(random);
            line[x] =
                qRgb(std::clamp(qRed(line[x]) + n, 0, 255), std::clamp(qGreen(line[x]) + n, 0, 255),
                     std::clamp(qBlue(line[x]) + n, 0, 255));
        }
    }
    scan.place = place;
    const QPointF offset = TurnGeometry(size, book.angle).toTurned(place.map(QPointF(0, 0)));
    for (int k = 0; k < book.pages; ++k) {
        scan.paper[k] = QRectF(k * kPageW, 0, kPageW, kPageH).translated(offset);
        if (!content[k].isNull())
            scan.content[k] = QRectF(content[k]).translated(offset);
    }
    if (book.pages == 2) {
        const QPointF a = place.map(QPointF(kPageW, 0)), b = place.map(QPointF(kPageW, kPageH));
        scan.gutter = a.x() + (size.height() / 2.0 - a.y()) / (b.y() - a.y()) * (b.x() - a.x());
    }
    return scan;
}

} // namespace turned_book
