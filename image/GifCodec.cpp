#include "image/GifCodec.h"

#include <QIODevice>
#include <QImageReader>

#include <array>
#include <gif_lib.h>
#include <vector>

namespace {

int deviceRead(GifFileType* gif, GifByteType* buffer, int size) {
    return int(static_cast<QIODevice*>(gif->UserData)->read(reinterpret_cast<char*>(buffer), size));
}

int deviceWrite(GifFileType* gif, const GifByteType* buffer, int size) {
    return int(
        static_cast<QIODevice*>(gif->UserData)->write(reinterpret_cast<const char*>(buffer), size));
}

QString gifError(const QString& text, int code) {
    const char* reason = GifErrorString(code);
    return reason ? QStringLiteral("%1 (%2)").arg(text, QString::fromLatin1(reason)) : text;
}

bool tooLarge(qint64 width, qint64 height) {
    const qint64 limitBytes = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    return limitBytes > 0 && width * height * 4 > limitBytes;
}

// Reads the frame's rows (in interlaced order when the frame is interlaced) into the canvas.
bool readFrame(GifFileType* gif, QImage& canvas, int colours) {
    const GifImageDesc& frame = gif->Image;
    std::vector<GifPixelType> line(std::size_t(frame.Width));
    std::vector<int> order;
    if (frame.Interlace) {
        static const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (int y = start[pass]; y < frame.Height; y += step[pass])
                order.push_back(y);
    } else {
        for (int y = 0; y < frame.Height; ++y)
            order.push_back(y);
    }
    for (int y : order) {
        if (DGifGetLine(gif, line.data(), frame.Width) != GIF_OK)
            return false;
        const int row = frame.Top + y;
        if (row < 0 || row >= canvas.height())
            continue;
        uchar* out = canvas.scanLine(row);
        for (int x = 0; x < frame.Width; ++x) {
            const int column = frame.Left + x;
            if (column >= 0 && column < canvas.width())
                out[column] = line[x] < colours ? line[x] : 0;
        }
    }
    return true;
}

} // namespace

bool readGif(QIODevice& device, QImage* image, int* colorCode, QString* error) {
    int code = 0;
    GifFileType* gif = DGifOpen(&device, deviceRead, &code);
    if (!gif) {
        *error = gifError(QStringLiteral("El fichero GIF no es válido"), code);
        return false;
    }
    int transparent = -1;
    bool done = false;
    while (!done) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) != GIF_OK) {
            *error =
                gifError(QStringLiteral("El fichero GIF está dañado o incompleto"), gif->Error);
            break;
        }
        if (type == EXTENSION_RECORD_TYPE) {
            int extension = 0;
            GifByteType* block = nullptr;
            bool ok = DGifGetExtension(gif, &extension, &block) == GIF_OK;
            if (ok && extension == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
                GraphicsControlBlock control{};
                if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
                    transparent = control.TransparentColor;
            }
            while (ok && block)
                ok = DGifGetExtensionNext(gif, &block) == GIF_OK;
            if (!ok) {
                *error =
                    gifError(QStringLiteral("El fichero GIF está dañado o incompleto"), gif->Error);
                break;
            }
        } else if (type == IMAGE_DESC_RECORD_TYPE) {
            if (DGifGetImageDesc(gif) != GIF_OK) {
                *error =
                    gifError(QStringLiteral("El fichero GIF está dañado o incompleto"), gif->Error);
                break;
            }
            const ColorMapObject* map = gif->Image.ColorMap ? gif->Image.ColorMap : gif->SColorMap;
            const int width = gif->SWidth > 0 ? gif->SWidth : gif->Image.Width;
            const int height = gif->SHeight > 0 ? gif->SHeight : gif->Image.Height;
            if (!map || map->ColorCount <= 0) {
                *error = QStringLiteral("El fichero GIF no tiene paleta de colores");
                break;
            }
            if (width <= 0 || height <= 0 || tooLarge(width, height) ||
                tooLarge(gif->Image.Width, gif->Image.Height)) {
                *error = QStringLiteral("El fichero GIF no tiene un tamaño válido");
                break;
            }
            QImage canvas(width, height, QImage::Format_Indexed8);
            if (canvas.isNull()) {
                *error = QStringLiteral("No hay memoria para la imagen GIF");
                break;
            }
            QList<QRgb> table;
            for (int i = 0; i < map->ColorCount; ++i)
                table.append(qRgb(map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue));
            if (transparent >= 0 && transparent < map->ColorCount)
                table[transparent] &= 0x00FFFFFF;
            else
                transparent = -1;
            canvas.setColorTable(table);
            const int background = transparent >= 0                          ? transparent
                                   : gif->SBackGroundColor < map->ColorCount ? gif->SBackGroundColor
                                                                             : 0;
            canvas.fill(uint(background));
            if (!readFrame(gif, canvas, map->ColorCount)) {
                *error =
                    gifError(QStringLiteral("El fichero GIF está dañado o incompleto"), gif->Error);
                break;
            }
            *colorCode = colorCodeOf(canvas);
            *image = toWorkingFormat(canvas);
            done = true;
        } else if (type == TERMINATE_RECORD_TYPE) {
            *error = QStringLiteral("El fichero GIF no contiene ninguna imagen");
            break;
        }
    }
    DGifCloseFile(gif, &code);
    return done;
}

bool writeGif(QIODevice& device, const EncodedImage& encoded, QString* error) {
    const QImage& image = encoded.pixels;
    if (image.format() != QImage::Format_Indexed8 || image.width() > 65535 ||
        image.height() > 65535) {
        *error = QStringLiteral("La imagen no cabe en un fichero GIF (como máximo 65535 x 65535 "
                                "píxeles de paleta)");
        return false;
    }
    const QList<QRgb> table = image.colorTable();
    int mapBits = 1;
    while ((1 << mapBits) < table.size())
        ++mapBits;
    ColorMapObject* map = GifMakeMapObject(1 << mapBits, nullptr);
    if (!map) {
        *error = QStringLiteral("No hay memoria para la paleta GIF");
        return false;
    }
    // All entries that are more than half transparent become one transparent colour.
    int transparent = -1;
    std::array<uchar, 256> remap{};
    for (int i = 0; i < 256; ++i) {
        remap[i] = uchar(i);
        const QRgb entry = i < table.size() ? table[i] : qRgb(0, 0, 0);
        if (i < table.size() && qAlpha(entry) < 128) {
            if (transparent < 0)
                transparent = i;
            remap[i] = uchar(transparent);
        }
        if (i < map->ColorCount)
            map->Colors[i] = {GifByteType(qRed(entry)), GifByteType(qGreen(entry)),
                              GifByteType(qBlue(entry))};
    }

    int code = 0;
    GifFileType* gif = EGifOpen(&device, deviceWrite, &code);
    if (!gif) {
        GifFreeMapObject(map);
        *error = gifError(QStringLiteral("No se puede crear el fichero GIF"), code);
        return false;
    }
    EGifSetGifVersion(gif, transparent >= 0);
    bool ok = EGifPutScreenDesc(gif, image.width(), image.height(), mapBits, 0, map) == GIF_OK;
    if (ok && transparent >= 0) {
        GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 0, transparent};
        GifByteType block[4];
        const size_t length = EGifGCBToExtension(&control, block);
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(length), block) == GIF_OK;
    }
    ok = ok && EGifPutImageDesc(gif, 0, 0, image.width(), image.height(), false, nullptr) == GIF_OK;
    std::vector<GifPixelType> line(std::size_t(image.width()));
    const int width = image.width(), height = image.height();
    for (int y = 0; ok && y < height; ++y) {
        const uchar* src = image.constScanLine(y);
        for (int x = 0; x < width; ++x)
            line[x] = remap[src[x]];
        ok = EGifPutLine(gif, line.data(), image.width()) == GIF_OK;
    }
    if (!ok)
        code = gif->Error;
    if (EGifCloseFile(gif, ok ? &code : nullptr) != GIF_OK)
        ok = false;
    GifFreeMapObject(map);
    if (!ok)
        *error = gifError(QStringLiteral("No se puede escribir el GIF"), code);
    return ok;
}
