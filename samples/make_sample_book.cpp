// Makes a small book of synthetic spreads: two pages of text-like lines under a running head,
// with printed page numbers, a dark scanner margin along one edge, and one spread slightly
// turned, as scans come.
// Beside it, in "marcas", a stamp to try the watermark with.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTransform>
#include <cstdio>
#include <random>

namespace {

constexpr int kSpreadWidth = 1800;
constexpr int kSpreadHeight = 1240;
constexpr int kSpreads = 6;

void drawPage(QPainter& painter, const QRect& page, int pageNumber, std::mt19937& random) {
    painter.fillRect(page, QColor(246, 242, 232));
    std::uniform_int_distribution<int> wordLength(12, 70);
    std::uniform_int_distribution<int> gap(6, 14);
    std::uniform_int_distribution<int> ink(20, 70);
    const int margin = page.width() / 9;
    const int lineHeight = 22;
    // A running head in real letters, so that the text read from the book has a word to find.
    QFont head(QStringLiteral("DejaVu Sans"));
    head.setPixelSize(34);
    painter.setFont(head);
    painter.setPen(QColor(30, 30, 30));
    painter.drawText(QRect(page.left(), page.top() + margin / 2 - 24, page.width(), 48),
                     Qt::AlignCenter, QStringLiteral("LIBRO DE MUESTRA"));
    for (int y = page.top() + margin; y < page.bottom() - margin - 40; y += lineHeight) {
        int x = page.left() + margin;
        const int lineEnd = page.right() - margin;
        while (x < lineEnd) {
            const int length = std::min(wordLength(random), lineEnd - x);
            const int shade = ink(random);
            painter.fillRect(QRect(x, y, length, 9), QColor(shade, shade, shade + 10));
            x += length + gap(random);
        }
    }
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(22);
    painter.setFont(font);
    painter.setPen(QColor(30, 30, 30));
    painter.drawText(QRect(page.left(), page.bottom() - margin / 2 - 30, page.width(), 30),
                     Qt::AlignCenter, QString::number(pageNumber));
}

QImage makeSpread(int spread, std::mt19937& random) {
    QImage image(kSpreadWidth, kSpreadHeight, QImage::Format_RGB32);
    image.fill(QColor(18, 18, 20)); // the scanner lid around the book
    QPainter painter(&image);
    const QRect book(40, 30, kSpreadWidth - 60, kSpreadHeight - 50);
    const int half = book.width() / 2;
    drawPage(painter, QRect(book.left(), book.top(), half, book.height()), 2 * spread - 1, random);
    drawPage(painter, QRect(book.left() + half, book.top(), book.width() - half, book.height()),
             2 * spread, random);
    painter.setPen(QPen(QColor(120, 110, 100), 3)); // the fold
    painter.drawLine(book.left() + half, book.top(), book.left() + half, book.bottom());
    painter.end();

    if (spread == 4) {
        QTransform turn;
        turn.rotate(0.8);
        QImage turned = image.transformed(turn, Qt::SmoothTransformation);
        QImage framed(kSpreadWidth, kSpreadHeight, QImage::Format_RGB32);
        framed.fill(QColor(18, 18, 20));
        QPainter frame(&framed);
        frame.drawImage(
            QPoint((kSpreadWidth - turned.width()) / 2, (kSpreadHeight - turned.height()) / 2),
            turned);
        frame.end();
        image = framed;
    }
    return image;
}

// A round red stamp on a transparent background, 240 × 240.
QImage makeStamp() {
    QImage stamp(240, 240, QImage::Format_ARGB32);
    stamp.fill(Qt::transparent);
    QPainter painter(&stamp);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor red(200, 30, 30);
    painter.setPen(QPen(red, 16));
    painter.drawEllipse(QPointF(120, 120), 104, 104);
    painter.setPen(QPen(red, 4));
    painter.drawEllipse(QPointF(120, 120), 80, 80);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(32);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(0, 0, 240, 240), Qt::AlignCenter, QStringLiteral("PLIEGO"));
    return stamp;
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sample_book FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(folder.path())) {
        std::fprintf(stderr, "make_sample_book: cannot create %s\n", argv[1]);
        return 1;
    }
    std::mt19937 random(20261206);
    for (int spread = 1; spread <= kSpreads; ++spread) {
        const QString name = QStringLiteral("libro%1.jpg").arg(spread, 3, 10, QLatin1Char('0'));
        if (!makeSpread(spread, random).save(folder.filePath(name), "JPEG", 88)) {
            std::fprintf(stderr, "make_sample_book: cannot write %s\n", qPrintable(name));
            return 1;
        }
    }
    if (!folder.mkpath(QStringLiteral("marcas")) ||
        !makeStamp().save(folder.filePath(QStringLiteral("marcas/sello.png")), "PNG")) {
        std::fprintf(stderr, "make_sample_book: cannot write marcas/sello.png\n");
        return 1;
    }
    return 0;
}
