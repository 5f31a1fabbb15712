#include "image/TiffSamples.h"

#include <QImageReader>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

struct Layout {
    uint32_t width = 0, height = 0;
    uint16_t bits = 1, samples = 1, format = SAMPLEFORMAT_UINT;
    uint16_t photometric = PHOTOMETRIC_MINISWHITE, planar = PLANARCONFIG_CONTIG;
    uint16_t colourSamples = 1; // samples before the extra ones
    int alphaSample = -1;       // the extra sample that is alpha, if any
    bool associatedAlpha = false;
    bool tiled = false;
    uint32_t bandHeight = 0; // rows per strip, or tile height
    uint32_t tileWidth = 0;
    std::vector<QRgb> palette;

    int planes() const { return planar == PLANARCONFIG_SEPARATE ? samples : 1; }
    int samplesPerPlane() const { return planar == PLANARCONFIG_SEPARATE ? 1 : samples; }
    // Bytes of one row of one plane, `columns` pixels wide.
    qint64 rowBytes(uint32_t columns) const {
        return (qint64(columns) * samplesPerPlane() * bits + 7) / 8;
    }
};

QString readLayout(TIFF* tif, Layout* l) {
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &l->width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &l->height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &l->bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &l->samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &l->format);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &l->planar);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &l->photometric))
        l->photometric = l->samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    const bool floats = l->format == SAMPLEFORMAT_IEEEFP && l->bits == 32;
    const bool integers =
        (l->format == SAMPLEFORMAT_UINT || l->format == SAMPLEFORMAT_VOID) &&
        (l->bits == 1 || l->bits == 2 || l->bits == 4 || l->bits == 8 || l->bits == 16);
    if (!floats && !integers)
        return QStringLiteral("muestras de %1 bits no admitidas").arg(l->bits);
    if (l->samples == 0 || l->samples > 16)
        return QStringLiteral("%1 muestras por píxel no admitidas").arg(l->samples);

    switch (l->photometric) {
    case PHOTOMETRIC_MINISWHITE:
    case PHOTOMETRIC_MINISBLACK:
        l->colourSamples = 1;
        break;
    case PHOTOMETRIC_PALETTE: {
        l->colourSamples = 1;
        uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
        if (!integers || l->bits > 8 || !TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue))
            return QStringLiteral("la paleta de colores no es válida");
        const int entries = 1 << l->bits;
        bool eightBitMap = true; // some writers store 8-bit values in the 16-bit map
        for (int i = 0; i < entries; ++i)
            eightBitMap &= red[i] < 256 && green[i] < 256 && blue[i] < 256;
        const int shift = eightBitMap ? 0 : 8;
        for (int i = 0; i < entries; ++i)
            l->palette.push_back(qRgb(red[i] >> shift, green[i] >> shift, blue[i] >> shift));
        break;
    }
    case PHOTOMETRIC_RGB:
        l->colourSamples = 3;
        break;
    case PHOTOMETRIC_SEPARATED: {
        uint16_t inks = INKSET_CMYK;
        TIFFGetFieldDefaulted(tif, TIFFTAG_INKSET, &inks);
        if (inks != INKSET_CMYK)
            return QStringLiteral("tintas distintas de CMYK");
        l->colourSamples = 4;
        break;
    }
    default:
        return QStringLiteral("interpretación fotométrica %1 no admitida").arg(l->photometric);
    }
    if (l->samples < l->colourSamples)
        return QStringLiteral("faltan muestras de color (%1)").arg(l->samples);

    uint16_t extras = 0;
    uint16_t* kinds = nullptr;
    if (TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extras, &kinds) && extras > 0 && kinds &&
        l->colourSamples < l->samples &&
        (kinds[0] == EXTRASAMPLE_ASSOCALPHA || kinds[0] == EXTRASAMPLE_UNASSALPHA)) {
        l->alphaSample = l->colourSamples;
        l->associatedAlpha = kinds[0] == EXTRASAMPLE_ASSOCALPHA;
    }

    l->tiled = TIFFIsTiled(tif);
    if (l->tiled) {
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &l->tileWidth);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &l->bandHeight);
        // Tiles start on whole bytes (TIFF asks for widths that are multiples of 16).
        if (l->tileWidth == 0 || l->bandHeight == 0 ||
            qint64(l->tileWidth) * l->samplesPerPlane() * l->bits % 8 != 0)
            return QStringLiteral("el tamaño de las teselas no es válido");
    } else {
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &l->bandHeight);
        l->bandHeight = std::clamp<uint32_t>(l->bandHeight, 1, l->height);
    }
    // A band of every plane is held at once, and every sample is looked at: both must stay
    // within the allocation limit, as a picture does.
    const qint64 limit = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    const qint64 bandBytes = l->rowBytes(l->tiled ? std::max(l->width, l->tileWidth) : l->width) *
                             l->bandHeight * l->planes();
    const qint64 allBytes = l->rowBytes(l->width) * l->height * l->planes();
    if (limit > 0 && (bandBytes > limit || allBytes > limit))
        return QStringLiteral("los datos de la imagen son demasiado grandes");
    return {};
}

// One sample of a row as a value from 0 to 255, or as it is (a palette index) when `raw`.
class SampleReader {
public:
    explicit SampleReader(const Layout& layout) : l_(layout) {}

    int operator()(const uchar* row, qint64 index, bool raw) const {
        switch (l_.bits) {
        case 8:
            return row[index];
        case 16: {
            uint16_t v;
            std::memcpy(&v, row + 2 * index, 2);
            return (v + 128) / 257; // as libtiff's RGBA reader rounds
        }
        case 32: {
            float v;
            std::memcpy(&v, row + 4 * index, 4);
            return v > 0 ? (v < 1 ? int(v * 255 + 0.5f) : 255) : 0;
        }
        default: { // 1, 2 or 4 bits, first pixel in the high bits
            const qint64 bit = index * l_.bits;
            const int v = (row[bit / 8] >> (8 - l_.bits - bit % 8)) & ((1 << l_.bits) - 1);
            return raw ? v : v * 255 / ((1 << l_.bits) - 1);
        }
        }
    }

private:
    const Layout& l_;
};

// Colour of one pixel from its samples (colour samples first, then alpha if any).
QRgb pixelOf(const Layout& l, const int* s) {
    const int alpha = l.alphaSample >= 0 ? s[l.alphaSample] : 255;
    switch (l.photometric) {
    case PHOTOMETRIC_MINISWHITE:
        return qRgba(255 - s[0], 255 - s[0], 255 - s[0], alpha);
    case PHOTOMETRIC_MINISBLACK:
        return qRgba(s[0], s[0], s[0], alpha);
    case PHOTOMETRIC_PALETTE: {
        const QRgb c = s[0] < int(l.palette.size()) ? l.palette[s[0]] : qRgb(0, 0, 0);
        return qRgba(qRed(c), qGreen(c), qBlue(c), alpha);
    }
    case PHOTOMETRIC_SEPARATED: {
        const int k = 255 - s[3];
        return qRgba((255 - s[0]) * k / 255, (255 - s[1]) * k / 255, (255 - s[2]) * k / 255, alpha);
    }
    default:
        return qRgba(s[0], s[1], s[2], alpha);
    }
}

// Reads the rows [top, top + rows) of every plane into `planes` (each `rows` rows of the
// whole width).
bool readBand(TIFF* tif, const Layout& l, uint32_t top, uint32_t rows,
              std::vector<std::vector<uchar>>& planes, std::vector<uchar>& tile) {
    const qint64 rowBytes = l.rowBytes(l.width);
    for (int plane = 0; plane < l.planes(); ++plane) {
        std::vector<uchar>& band = planes[plane];
        if (!l.tiled) {
            const uint32_t strip = TIFFComputeStrip(tif, top, uint16_t(plane));
            if (TIFFReadEncodedStrip(tif, strip, band.data(), tmsize_t(rowBytes * rows)) < 0)
                return false;
            continue;
        }
        const qint64 tileRowBytes = l.rowBytes(l.tileWidth);
        for (uint32_t left = 0; left < l.width; left += l.tileWidth) {
            const uint32_t number = TIFFComputeTile(tif, left, top, 0, uint16_t(plane));
            if (TIFFReadEncodedTile(tif, number, tile.data(), tmsize_t(tile.size())) < 0)
                return false;
            // Tiles of whole bytes per pixel are copied bytewise; packed ones start on a byte
            // boundary only when the tile width is a multiple of 8 pixels, which TIFF requires
            // (tile widths are multiples of 16).
            const qint64 start = l.rowBytes(left);
            const qint64 bytes = std::min(tileRowBytes, rowBytes - start);
            for (uint32_t y = 0; y < rows; ++y)
                std::memcpy(band.data() + y * rowBytes + start, tile.data() + y * tileRowBytes,
                            size_t(bytes));
        }
    }
    return true;
}

} // namespace

QString tiffSampleLayoutRefusal(TIFF* tif) {
    Layout l;
    return readLayout(tif, &l);
}

bool readTiffSamples(TIFF* tif, QImage* image, QString* reason) {
    Layout l;
    if (const QString refusal = readLayout(tif, &l); !refusal.isEmpty()) {
        *reason = QStringLiteral("Tipo de TIFF no admitido: %1").arg(refusal);
        return false;
    }
    QImage pixels(int(l.width), int(l.height),
                  l.associatedAlpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_ARGB32);
    const qint64 rowBytes = l.rowBytes(l.width);
    std::vector<std::vector<uchar>> planes(size_t(l.planes()));
    std::vector<uchar> tile;
    if (!pixels.isNull()) {
        for (auto& band : planes)
            band.resize(size_t(rowBytes * l.bandHeight));
        if (l.tiled)
            tile.resize(size_t(l.rowBytes(l.tileWidth) * l.bandHeight));
    }
    if (pixels.isNull() || planes[0].empty()) {
        *reason = QStringLiteral("No hay memoria para una imagen de %1 x %2 píxeles")
                      .arg(l.width)
                      .arg(l.height);
        return false;
    }
    const SampleReader sample(l);
    std::vector<int> values(l.samples);
    for (uint32_t top = 0; top < l.height; top += l.bandHeight) {
        const uint32_t rows = std::min(l.bandHeight, l.height - top);
        if (!readBand(tif, l, top, rows, planes, tile)) {
            *reason = QStringLiteral("El fichero TIFF está dañado o incompleto");
            return false;
        }
        for (uint32_t y = 0; y < rows; ++y) {
            QRgb* out = reinterpret_cast<QRgb*>(pixels.scanLine(int(top + y)));
            for (uint32_t x = 0; x < l.width; ++x) {
                for (int s = 0; s < l.samples; ++s) {
                    const bool index = s == 0 && l.photometric == PHOTOMETRIC_PALETTE;
                    values[s] = l.planes() > 1 ? sample(planes[s].data() + y * rowBytes, x, index)
                                               : sample(planes[0].data() + y * rowBytes,
                                                        qint64(x) * l.samples + s, index);
                }
                QRgb p = pixelOf(l, values.data());
                if (l.associatedAlpha) // colour above alpha is not a premultiplied colour
                    p = qRgba(std::min(qRed(p), qAlpha(p)), std::min(qGreen(p), qAlpha(p)),
                              std::min(qBlue(p), qAlpha(p)), qAlpha(p));
                out[x] = p;
            }
        }
    }
    uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
    const bool flipX = orientation == ORIENTATION_TOPRIGHT || orientation == ORIENTATION_BOTRIGHT;
    const bool flipY = orientation == ORIENTATION_BOTRIGHT || orientation == ORIENTATION_BOTLEFT;
    *image = flipX || flipY ? pixels.mirrored(flipX, flipY) : pixels;
    return true;
}
