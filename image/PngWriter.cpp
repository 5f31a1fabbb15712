#include "image/PngWriter.h"

#include "image/RowPacking.h"

#include <QIODevice>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <zlib.h>

namespace {

class ChunkWriter {
public:
    explicit ChunkWriter(QIODevice& device) : device_(device) {}

    bool write(const char type[4], const uchar* data, std::size_t size) {
        uchar head[8];
        putBigEndian(head, std::uint32_t(size));
        std::memcpy(head + 4, type, 4);
        uLong crc = crc32(0, head + 4, 4);
        if (size)
            crc = crc32(crc, data, uInt(size));
        uchar tail[4];
        putBigEndian(tail, std::uint32_t(crc));
        return raw(head, 8) && (size == 0 || raw(data, size)) && raw(tail, 4);
    }
    bool raw(const uchar* data, std::size_t size) {
        return device_.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size);
    }
    static void putBigEndian(uchar* out, std::uint32_t v) {
        out[0] = uchar(v >> 24);
        out[1] = uchar(v >> 16);
        out[2] = uchar(v >> 8);
        out[3] = uchar(v);
    }

private:
    QIODevice& device_;
};

// Compresses the filtered rows as they come and writes IDAT chunks of up to 64 KB.
class ImageDataWriter {
public:
    explicit ImageDataWriter(ChunkWriter& chunks) : chunks_(chunks), buffer_(65536) {
        // Level 3 compresses a noisy scanned page about a third faster than zlib's default 6,
        // for files about 5 % larger: a batch writes hundreds of pages.
        ok_ = deflateInit(&stream_, 3) == Z_OK;
    }
    ~ImageDataWriter() { deflateEnd(&stream_); }

    bool add(const uchar* data, std::size_t size) { return pump(data, size, Z_NO_FLUSH); }
    bool finish() { return pump(nullptr, 0, Z_FINISH); }

private:
    bool pump(const uchar* data, std::size_t size, int flush) {
        if (!ok_)
            return false;
        stream_.next_in = const_cast<uchar*>(data);
        stream_.avail_in = uInt(size);
        for (;;) {
            stream_.next_out = buffer_.data();
            stream_.avail_out = uInt(buffer_.size());
            const int result = deflate(&stream_, flush);
            if (result == Z_STREAM_ERROR)
                return ok_ = false;
            const std::size_t produced = buffer_.size() - stream_.avail_out;
            if (produced && !chunks_.write("IDAT", buffer_.data(), produced))
                return ok_ = false;
            if (flush == Z_FINISH ? result == Z_STREAM_END : stream_.avail_out != 0)
                return true;
        }
    }
    ChunkWriter& chunks_;
    std::vector<uchar> buffer_;
    z_stream stream_{};
    bool ok_ = false;
};

int paeth(int a, int b, int c) {
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
}

} // namespace

bool writePng(QIODevice& device, const EncodedImage& encoded, QString* error) {
    const QImage& image = encoded.pixels;
    const int width = image.width(), height = image.height();
    const bool indexed = encoded.bits != 24;
    const bool alpha = !indexed && hasTransparency(image);
    const int depth = indexed ? encoded.bits : 8;
    const int channels = indexed ? 1 : (alpha ? 4 : 3);
    const int colourType = indexed ? (encoded.grey ? 0 : 3) : (alpha ? 6 : 2);

    ChunkWriter chunks(device);
    static const uchar signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    uchar header[13];
    ChunkWriter::putBigEndian(header, std::uint32_t(width));
    ChunkWriter::putBigEndian(header + 4, std::uint32_t(height));
    header[8] = uchar(depth);
    header[9] = uchar(colourType);
    header[10] = header[11] = header[12] = 0;
    bool ok = chunks.raw(signature, 8) && chunks.write("IHDR", header, 13);

    if (ok && indexed && !encoded.grey) {
        const QList<QRgb> table = image.colorTable();
        std::vector<uchar> palette, transparency;
        for (QRgb entry : table) {
            palette.insert(palette.end(),
                           {uchar(qRed(entry)), uchar(qGreen(entry)), uchar(qBlue(entry))});
            transparency.push_back(uchar(qAlpha(entry)));
        }
        while (!transparency.empty() && transparency.back() == 255)
            transparency.pop_back();
        ok = chunks.write("PLTE", palette.data(), palette.size()) &&
             (transparency.empty() ||
              chunks.write("tRNS", transparency.data(), transparency.size()));
    }

    // Each row: its filter byte, then the samples. Packed rows (1 and 4 bits, palettes) are not
    // filtered; rows of whole bytes use the Paeth filter, which suits scans and photographs.
    const std::size_t rowBytes = (std::size_t(width) * channels * depth + 7) / 8;
    std::vector<uchar> row(rowBytes), previous(rowBytes, 0), filtered(rowBytes + 1);
    ImageDataWriter data(chunks);
    for (int y = 0; ok && y < height; ++y) {
        if (indexed)
            packIndexRow(image.constScanLine(y), width, depth, row.data());
        else
            packColourRow(reinterpret_cast<const QRgb*>(image.constScanLine(y)), width, alpha,
                          row.data());
        if (depth == 8 && !(indexed && !encoded.grey)) {
            filtered[0] = 4; // Paeth
            for (std::size_t i = 0; i < rowBytes; ++i) {
                const int left = i >= std::size_t(channels) ? row[i - channels] : 0;
                const int upLeft = i >= std::size_t(channels) ? previous[i - channels] : 0;
                filtered[i + 1] = uchar(row[i] - paeth(left, previous[i], upLeft));
            }
            previous.swap(row);
        } else {
            filtered[0] = 0;
            std::copy(row.begin(), row.end(), filtered.begin() + 1);
        }
        ok = data.add(filtered.data(), filtered.size());
    }
    ok = ok && data.finish() && chunks.write("IEND", nullptr, 0);
    if (!ok && error)
        *error = QStringLiteral("No se puede escribir el PNG: %1").arg(device.errorString());
    return ok;
}
