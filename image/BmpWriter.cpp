#include "image/BmpWriter.h"

#include <QIODevice>
#include <QPainter>

#include <cstdint>
#include <vector>

namespace {

void put16(std::vector<uchar>& out, std::uint32_t v) {
    out.push_back(uchar(v));
    out.push_back(uchar(v >> 8));
}

void put32(std::vector<uchar>& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

} // namespace

bool writeBmp(QIODevice& device, const EncodedImage& encoded, QString* error) {
    QImage image = encoded.pixels;
    const int bits = encoded.bits;
    if (bits == 24 && hasTransparency(image)) {
        QImage flat(image.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter(&flat).drawImage(0, 0, image);
        image = flat;
    }
    const int width = image.width(), height = image.height();
    const QList<QRgb> table = bits == 24 ? QList<QRgb>() : image.colorTable();
    const std::uint64_t stride = (std::uint64_t(width) * bits + 31) / 32 * 4;
    const std::uint64_t offset = 14 + 40 + 4 * std::uint64_t(table.size());
    const std::uint64_t fileSize = offset + stride * std::uint64_t(height);
    if (fileSize > 0xFFFFFFFFu) {
        if (error)
            *error = QStringLiteral("La imagen es demasiado grande para un fichero BMP");
        return false;
    }

    std::vector<uchar> head;
    head.push_back('B');
    head.push_back('M');
    put32(head, std::uint32_t(fileSize));
    put32(head, 0);
    put32(head, std::uint32_t(offset));
    put32(head, 40); // BITMAPINFOHEADER
    put32(head, std::uint32_t(width));
    put32(head, std::uint32_t(height)); // positive: rows stored bottom-up
    put16(head, 1);
    put16(head, std::uint32_t(bits));
    put32(head, 0); // BI_RGB, uncompressed
    put32(head, std::uint32_t(stride * std::uint64_t(height)));
    put32(head, 2835); // 72 dpi
    put32(head, 2835);
    put32(head, std::uint32_t(table.size()));
    put32(head, 0);
    for (QRgb entry : table) {
        head.push_back(uchar(qBlue(entry)));
        head.push_back(uchar(qGreen(entry)));
        head.push_back(uchar(qRed(entry)));
        head.push_back(0);
    }
    bool ok = device.write(reinterpret_cast<const char*>(head.data()), qint64(head.size())) ==
              qint64(head.size());

    std::vector<uchar> row(stride);
    for (int y = height - 1; ok && y >= 0; --y) {
        std::fill(row.begin(), row.end(), 0);
        if (bits == 24) {
            const QRgb* src = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < width; ++x) {
                row[3 * x] = uchar(qBlue(src[x]));
                row[3 * x + 1] = uchar(qGreen(src[x]));
                row[3 * x + 2] = uchar(qRed(src[x]));
            }
        } else {
            const uchar* src = image.constScanLine(y);
            const int perByte = 8 / bits;
            for (int x = 0; x < width; ++x)
                row[x / perByte] |= uchar(src[x] << (8 - bits * (x % perByte + 1)));
        }
        ok = device.write(reinterpret_cast<const char*>(row.data()), qint64(stride)) ==
             qint64(stride);
    }
    if (!ok && error)
        *error = QStringLiteral("No se puede escribir el BMP: %1").arg(device.errorString());
    return ok;
}
