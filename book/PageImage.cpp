#include "book/PageImage.h"

#include <QFile>
#include <leptonica/allheaders.h>
#include <mutex>

void PixDeleter::operator()(Pix* pix) const {
    pixDestroy(&pix);
}

namespace {

struct CompressedData {
    L_COMP_DATA* cid = nullptr;
    ~CompressedData() { l_CIDataDestroy(&cid); }
};

// Leptonica's own messages say nothing the operator's line does not say better.
void quietLeptonica() {
    static std::once_flag once;
    std::call_once(once, [] { setMsgSeverity(L_SEVERITY_NONE); });
}

QByteArray paletteOf(const L_COMP_DATA* cid) {
    // "<rrggbb rrggbb ...>": hex digits, two per byte.
    QByteArray hex;
    for (const char* c = cid->cmapdatahex; c && *c; ++c) {
        if (std::isxdigit(static_cast<unsigned char>(*c)))
            hex += *c;
    }
    return QByteArray::fromHex(hex);
}

// A JPEG is usable as it is when its header reads and its end marker is there: a truncated file
// loses its end first. Decoding it whole would cost what embedding it saves.
bool jpegPage(const QString& path, const QByteArray& bytes, PdfPageImage* image, QString* error) {
    const auto* data = reinterpret_cast<const l_uint8*>(bytes.constData());
    l_int32 w = 0, h = 0, spp = 0, ycck = 0, cmyk = 0;
    if (readHeaderMemJpeg(data, bytes.size(), &w, &h, &spp, &ycck, &cmyk) != 0 || w <= 0 ||
        h <= 0 || (spp != 1 && spp != 3 && spp != 4)) {
        *error = QStringLiteral("la cabecera JPEG no se puede leer");
        return false;
    }
    const QByteArray tail = bytes.right(1024);
    if (!tail.contains(QByteArrayLiteral("\xFF\xD9"))) {
        *error = QStringLiteral("el fichero JPEG está incompleto");
        return false;
    }
    l_int32 xres = 0, yres = 0;
    readResolutionMemJpeg(data, bytes.size(), &xres, &yres);
    image->encoding = PdfPageImage::Encoding::Jpeg;
    image->width = w;
    image->height = h;
    image->bitsPerComponent = 8;
    image->components = spp;
    image->fileBytes = bytes.size();
    image->xDpi = xres;
    image->yDpi = yres;
    Q_UNUSED(path);
    return true;
}

// Brings a two-colour black-and-white palette to plain 1 bit (1 is black), as Group 4 takes it.
PixPointer withoutBlackWhitePalette(Pix* pix) {
    if (pixGetDepth(pix) != 1 || !pixGetColormap(pix))
        return PixPointer(pixClone(pix));
    l_int32 blackWhite = 0;
    pixcmapIsBlackAndWhite(pixGetColormap(pix), &blackWhite);
    if (!blackWhite)
        return PixPointer(pixClone(pix));
    return PixPointer(pixRemoveColormap(pix, REMOVE_CMAP_BASED_ON_SRC));
}

bool losslessPage(const QString& path, Pix* decoded, int format, PdfPageImage* image,
                  QString* error) {
    PixPointer pix = withoutBlackWhitePalette(decoded);
    if (!pix) {
        *error = QStringLiteral("la paleta no se puede leer");
        return false;
    }
    CompressedData compressed;
    const bool bilevel = pixGetDepth(pix.get()) == 1 && !pixGetColormap(pix.get());
    if (bilevel) {
        pixGenerateCIData(pix.get(), L_G4_ENCODE, 0, 0, &compressed.cid);
    } else if (format == IFF_PNG) {
        // Leptonica takes a PNG's compressed rows as they are when the PDF can hold them.
        compressed.cid = l_generateFlateDataPdf(QFile::encodeName(path).constData(), pix.get());
    } else {
        pixGenerateCIData(pix.get(), L_FLATE_ENCODE, 0, 0, &compressed.cid);
    }
    const L_COMP_DATA* cid = compressed.cid;
    if (!cid || !cid->datacomp || cid->nbytescomp == 0) {
        *error = QStringLiteral("la imagen no se puede preparar para el PDF");
        return false;
    }
    image->encoding = bilevel ? PdfPageImage::Encoding::Group4 : PdfPageImage::Encoding::Flate;
    image->width = cid->w;
    image->height = cid->h;
    image->bitsPerComponent = cid->bps;
    image->components = cid->spp;
    image->blackIs1 = bilevel && cid->minisblack;
    image->rowPredictors = cid->predictor;
    if (cid->ncolors > 0) {
        image->palette = paletteOf(cid);
        if (image->palette.size() != 3 * cid->ncolors) {
            *error = QStringLiteral("la paleta no se puede leer");
            return false;
        }
    }
    image->data =
        QByteArray(reinterpret_cast<const char*>(cid->datacomp), qsizetype(cid->nbytescomp));
    image->xDpi = pixGetXRes(decoded);
    image->yDpi = pixGetYRes(decoded);
    return true;
}

// Tesseract thresholds grey pictures itself; colour would only cost it three histograms.
PixPointer forRecognition(Pix* pix) {
    if (pixGetDepth(pix) == 1 && !pixGetColormap(pix))
        return PixPointer(pixClone(pix));
    return PixPointer(pixConvertTo8(pix, 0));
}

} // namespace

bool readPageImage(const QString& path, PdfPageImage* image, PixPointer* pixels, QString* error) {
    quietLeptonica();
    *image = PdfPageImage();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = file.errorString();
        return false;
    }
    if (bytes.isEmpty()) {
        *error = QStringLiteral("el fichero está vacío");
        return false;
    }
    const auto* data = reinterpret_cast<const l_uint8*>(bytes.constData());
    l_int32 format = IFF_UNKNOWN;
    findFileFormatBuffer(data, &format);
    if (format == IFF_JFIF_JPEG && !jpegPage(path, bytes, image, error))
        return false;
    if (format != IFF_JFIF_JPEG || pixels) {
        PixPointer decoded(pixReadMem(data, bytes.size()));
        if (!decoded) {
            *error = format == IFF_UNKNOWN ? QStringLiteral("no es una imagen de un tipo admitido")
                                           : QStringLiteral("la imagen no se puede leer");
            return false;
        }
        if (format != IFF_JFIF_JPEG && !losslessPage(path, decoded.get(), format, image, error))
            return false;
        if (pixels) {
            *pixels = forRecognition(decoded.get());
            if (!*pixels) {
                *error = QStringLiteral("la imagen no se puede preparar para el OCR");
                return false;
            }
        }
    }
    return true;
}

bool readJpegPageBytes(const QString& path, qint64 expectedBytes, QByteArray* bytes,
                       QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    *bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = file.errorString();
        return false;
    }
    if (bytes->size() != expectedBytes) {
        *error = QStringLiteral("el fichero ha cambiado mientras se hacía el PDF");
        return false;
    }
    return true;
}
