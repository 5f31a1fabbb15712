#include "BookPages.h"

#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>
#include <QStringList>
#include <cmath>
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace {

const QStringList& words() {
    static const QStringList list =
        QStringLiteral(
            "la de que el en los se del las por un con no una su para es al lo como más pero sus "
            "le ya o este sí porque esta entre cuando muy sin sobre también me hasta hay donde "
            "quien desde todo nos durante todos uno les ni contra otros ese eso ante ellos esto "
            "antes algunos qué unos otro otras otra él tanto esa estos mucho quienes nada muchos "
            "cual poco ella estar estas algunas algo nosotros libro página tiempo casa mundo vida "
            "hombre ciudad camino noche palabra historia agua tierra puerta ventana calle río "
            "montaña recuerdo silencio mañana invierno verano campo pueblo iglesia mercado carta "
            "viaje señor señora hermano madre padre capítulo memoria sombra luz fuego piedra árbol "
            "jardín mesa papel tinta pluma escribir leer decir hacer volver llegar pensar mirar "
            "encontrar siempre nunca entonces después todavía apenas quizá lejos cerca dentro")
            .split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return list;
}

QString word(Random& random) {
    const QStringList& list = words();
    return list[random.between(0, int(list.size()) - 1)];
}

// libjpeg reports a fatal error through this hook, which must not return: it jumps back to
// writeJpeg444 with the message.
struct JpegErrors {
    jpeg_error_mgr manager{};
    std::jmp_buf back{};
    char message[JMSG_LENGTH_MAX] = {};
};

[[noreturn]] void jpegFailed(j_common_ptr info) {
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->back, 1);
}

} // namespace

QString sentence(Random& random, int count) {
    QStringList parts;
    for (int k = 0; k < count; ++k)
        parts << word(random);
    QString text = parts.join(QLatin1Char(' '));
    text[0] = text[0].toUpper();
    return text;
}

void drawIllustration(QPainter& painter, const QRect& area, Random& random) {
    QLinearGradient sky(area.topLeft(), area.bottomLeft());
    const int hue = random.between(0, 359);
    sky.setColorAt(0.0, QColor::fromHsv(hue, random.between(60, 160), random.between(150, 230)));
    sky.setColorAt(
        1.0, QColor::fromHsv((hue + 40) % 360, random.between(40, 120), random.between(200, 250)));
    painter.fillRect(area, sky);
    painter.save();
    painter.setClipRect(area);
    painter.setPen(Qt::NoPen);
    QRadialGradient sun(area.left() + area.width() * random.unit(),
                        area.top() + area.height() * 0.3 * random.unit(), area.height() * 0.25);
    sun.setColorAt(0.0, QColor(255, 240, 180, 230));
    sun.setColorAt(1.0, QColor(255, 220, 150, 0));
    painter.setBrush(sun);
    painter.drawRect(area);
    for (int hill = 0; hill < 4; ++hill) {
        QPainterPath path;
        const double base = area.top() + area.height() * (0.45 + 0.12 * hill);
        path.moveTo(area.left(), area.bottom());
        for (int x = 0; x <= area.width(); x += 40) {
            const double y = base + std::sin((x + 300 * random.unit()) / (120.0 + 60 * hill)) *
                                        area.height() * 0.06;
            path.lineTo(area.left() + x, y);
        }
        path.lineTo(area.right(), area.bottom());
        path.closeSubpath();
        const int green = (hue + 90 + 25 * hill) % 360;
        painter.setBrush(QColor::fromHsv(green, 90 + 30 * hill, 170 - 30 * hill));
        painter.drawPath(path);
    }
    for (int k = 0; k < 25; ++k) {
        painter.setBrush(QColor::fromHsv(random.between(0, 359), random.between(80, 220),
                                         random.between(60, 220), random.between(90, 200)));
        const int size = random.between(20, area.height() / 6);
        painter.drawEllipse(area.left() + random.between(0, area.width()),
                            area.top() + random.between(area.height() / 2, area.height()), size,
                            size * 2);
    }
    painter.restore();
    painter.setPen(QPen(QColor(40, 36, 34), 4));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area);
}

int drawPage(QPainter& painter, const QRect& page, int number, bool leftPage, const Fonts& fonts,
             Random& random, PageKind kind) {
    if (kind == PageKind::Blank)
        return 0;
    const QColor ink(random.between(22, 36), random.between(20, 32), random.between(24, 38));
    const int outer = 230, inner = 300, top = 260, bottom = 330;
    const int left = page.left() + (leftPage ? outer : inner);
    const int right = page.right() - (leftPage ? inner : outer);
    const int width = right - left;

    QFont small(fonts.serif);
    small.setPixelSize(30);
    small.setItalic(true);
    painter.setFont(small);
    painter.setPen(ink);
    if (kind == PageKind::Text)
        painter.drawText(QRect(left, page.top() + top - 110, width, 50), Qt::AlignHCenter,
                         sentence(random, 3).toUpper());

    int y = page.top() + top;
    if (kind == PageKind::Chapter)
        y += 600;
    if (kind == PageKind::Chapter || (kind == PageKind::Text && random.chance(0.3))) {
        QFont heading(fonts.serifBold);
        heading.setPixelSize(76);
        heading.setBold(true);
        painter.setFont(heading);
        painter.setPen(QColor(120, 24, 20));
        painter.drawText(QRect(left, y, width, 200), Qt::AlignHCenter | Qt::AlignVCenter,
                         QStringLiteral("Capítulo %1").arg(number / 7 + 1));
        y += 300;
    }

    QFont body(fonts.serif);
    body.setPixelSize(42);
    painter.setFont(body);
    painter.setPen(ink);
    const QFontMetrics metrics(body);
    const int lineHeight = 60;
    const int space = metrics.horizontalAdvance(QLatin1Char(' '));
    const int textBottom = page.bottom() - bottom;

    if (kind == PageKind::Picture) {
        const QRect area(left, y, width, textBottom - y - 100);
        drawIllustration(painter, area, random);
        y = textBottom;
    }
    const int maxLines = kind == PageKind::Chapter ? random.between(3, 8) : 1 << 30;
    int lines = 0;
    int illustrationAt = -1;
    int illustrationHeight = 0;
    if (kind == PageKind::Text && random.chance(0.75)) {
        illustrationHeight = random.between(500, 1100);
        illustrationAt =
            random.between(y + 200, std::max(y + 200, textBottom - illustrationHeight - 200));
    }

    bool paragraphStart = true;
    while (y + lineHeight < textBottom && lines < maxLines) {
        if (illustrationAt >= 0 && y + lineHeight > illustrationAt) {
            const QRect area(left + 40, illustrationAt, width - 80, illustrationHeight);
            drawIllustration(painter, area, random);
            QFont caption(fonts.serif);
            caption.setPixelSize(32);
            caption.setItalic(true);
            painter.setFont(caption);
            painter.setPen(ink);
            painter.drawText(QRect(left, area.bottom() + 20, width, 50), Qt::AlignHCenter,
                             QStringLiteral("Fig. %1. ").arg(number) + sentence(random, 6));
            painter.setFont(body);
            y = area.bottom() + 110;
            illustrationAt = -1;
            continue;
        }
        // Fill a line with words, then spread the spare room between them (justified text);
        // the last line of a paragraph stays ragged.
        const int indent = paragraphStart ? 80 : 0;
        QStringList line;
        int used = 0;
        for (;;) {
            QString next = word(random);
            if (line.isEmpty() && paragraphStart)
                next[0] = next[0].toUpper();
            if (random.chance(0.08))
                next += random.chance(0.5) ? QStringLiteral(",") : QStringLiteral(".");
            const int advance = metrics.horizontalAdvance(next);
            if (indent + used + (line.isEmpty() ? 0 : space) + advance > width)
                break;
            used += (line.isEmpty() ? 0 : space) + advance;
            line << next;
        }
        const bool paragraphEnd = random.chance(0.12);
        const double extra = paragraphEnd || line.size() < 2
                                 ? 0.0
                                 : double(width - indent - used) / double(line.size() - 1);
        double x = left + indent;
        for (const QString& item : line) {
            painter.drawText(QPointF(x, y + metrics.ascent()), item);
            x += metrics.horizontalAdvance(item) + space + extra;
        }
        paragraphStart = paragraphEnd;
        y += lineHeight;
        ++lines;
    }

    QFont folio(fonts.serif);
    folio.setPixelSize(36);
    painter.setFont(folio);
    painter.setPen(ink);
    painter.drawText(QRect(left, page.bottom() - bottom + 120, width, 60), Qt::AlignHCenter,
                     QString::number(number));
    return lines;
}

bool writeJpeg444(const QImage& image, const QString& path, int quality, QString& error) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    std::FILE* file = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!file) {
        error = QStringLiteral("cannot create the file");
        return false;
    }
    jpeg_compress_struct info{};
    JpegErrors errors;
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jpegFailed;
    if (setjmp(errors.back)) {
        jpeg_destroy_compress(&info);
        std::fclose(file);
        error = QString::fromLocal8Bit(errors.message);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = JDIMENSION(rgb.width());
    info.image_height = JDIMENSION(rgb.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    for (int c = 0; c < info.num_components; ++c)
        info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        auto* row = const_cast<JSAMPROW>(rgb.constScanLine(int(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    if (std::fclose(file) != 0) {
        error = QStringLiteral("cannot finish the file");
        return false;
    }
    return true;
}

Fonts loadFonts() {
    Fonts fonts;
    const QString folder = QStringLiteral("/usr/share/fonts/truetype/dejavu/");
    const int regular =
        QFontDatabase::addApplicationFont(folder + QStringLiteral("DejaVuSerif.ttf"));
    const int bold =
        QFontDatabase::addApplicationFont(folder + QStringLiteral("DejaVuSerif-Bold.ttf"));
    if (regular < 0 || bold < 0)
        std::fprintf(stderr,
                     "bench_make_book: DejaVu Serif not found in %s; using the default "
                     "font (the book will differ from other machines')\n",
                     qPrintable(folder));
    if (regular >= 0)
        fonts.serif = QFontDatabase::applicationFontFamilies(regular).value(0, fonts.serif);
    if (bold >= 0)
        fonts.serifBold = QFontDatabase::applicationFontFamilies(bold).value(0, fonts.serifBold);
    return fonts;
}
