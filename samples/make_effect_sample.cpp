// Makes the sample picture that the effects tab tries its effects on: a small page with a
// heading, lines of text-like blocks, a coloured picture in its top-left corner (so that a turn
// or a mirror shows at once) and a page number.
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <random>

namespace {

QImage makeSamplePage() {
    constexpr int kWidth = 300;
    constexpr int kHeight = 420;
    QImage page(kWidth, kHeight, QImage::Format_RGB32);
    page.fill(QColor(246, 242, 232));
    QPainter painter(&page);
    const int margin = 30;
    // A picture in the top-left corner: a sky, a hill and a sun.
    const QRect picture(margin, margin, 110, 80);
    painter.fillRect(picture, QColor(120, 170, 220));
    painter.setClipRect(picture);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(70, 140, 60));
    painter.drawEllipse(QRect(picture.left() - 20, picture.top() + 45, 150, 90));
    painter.setBrush(QColor(240, 190, 40));
    painter.drawEllipse(QRect(picture.right() - 35, picture.top() + 8, 24, 24));
    painter.setClipping(false);
    // A heading beside it, then the text.
    painter.fillRect(QRect(picture.right() + 14, margin + 8, 110, 14), QColor(40, 40, 50));
    painter.fillRect(QRect(picture.right() + 14, margin + 32, 80, 10), QColor(90, 90, 100));
    std::mt19937 random(6401);
    std::uniform_int_distribution<int> wordLength(8, 40);
    std::uniform_int_distribution<int> ink(30, 80);
    for (int y = picture.bottom() + 20; y < kHeight - margin - 40; y += 14) {
        for (int x = margin; x < kWidth - margin;) {
            const int length = std::min(wordLength(random), kWidth - margin - x);
            const int shade = ink(random);
            painter.fillRect(QRect(x, y, length, 6), QColor(shade, shade, shade + 10));
            x += length + 6;
        }
    }
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(16);
    painter.setFont(font);
    painter.setPen(QColor(30, 30, 30));
    painter.drawText(QRect(0, kHeight - margin - 22, kWidth, 22), Qt::AlignCenter,
                     QStringLiteral("27"));
    painter.end();
    return page;
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_effect_sample FILE.jpg\n");
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(QFileInfo(file).path()) || !makeSamplePage().save(file, "JPEG", 90)) {
        std::fprintf(stderr, "make_effect_sample: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
