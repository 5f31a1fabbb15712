#include "image/Picture.h"

#include "image/AreaShrink.h"
#include "image/ImageFiles.h"
#include "image/TurnGeometry.h"

#include <QDir>
#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <cmath>

namespace {

QString quoted(const QString& path) {
    return QStringLiteral("«%1»").arg(QDir::toNativeSeparators(path));
}

// Draws `picture` onto `canvas` with its top-left corner at `at`. A pixel's weight is its alpha
// (or, with a colour key, 0 for pixels of the key colour and 1 for the rest) times `opacity`;
// the canvas keeps (1 − weight) of its own colour.
void blend(QImage& canvas, const QImage& picture, QPoint at, double opacity, bool keyed, QRgb key) {
    const QRect area = QRect(at, picture.size()) & canvas.rect();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const QRgb* src = reinterpret_cast<const QRgb*>(picture.constScanLine(y - at.y()));
        QRgb* dst = reinterpret_cast<QRgb*>(canvas.scanLine(y));
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb s = src[x - at.x()];
            const double alpha = keyed ? ((s & 0xFFFFFF) == key ? 0.0 : 1.0) : qAlpha(s) / 255.0;
            const double w = alpha * opacity;
            if (w <= 0)
                continue;
            const QRgb d = dst[x];
            const double da = qAlpha(d) / 255.0;
            const double outAlpha = w + da * (1 - w);
            auto channel = [&](int sc, int dc) {
                return std::clamp(int(std::lround((sc * w + dc * da * (1 - w)) / outAlpha)), 0,
                                  255);
            };
            dst[x] = qRgba(channel(qRed(s), qRed(d)), channel(qGreen(s), qGreen(d)),
                           channel(qBlue(s), qBlue(d)), int(std::lround(outAlpha * 255)));
        }
    }
}

// The `area` of `source` as a picture of its own that reads the source's pixels where they are,
// keeping the source alive; drawing on it makes it a copy of its own first.
QImage sharedView(const QImage& source, const QRect& area) {
    if (area == source.rect())
        return source;
    const QRect inside = area & source.rect();
    if (inside != area || inside.isEmpty())
        return source.copy(area);
    auto* keeper = new QImage(source);
    const uchar* first = keeper->constBits() + qsizetype(inside.top()) * keeper->bytesPerLine() +
                         qsizetype(inside.left()) * (keeper->depth() / 8);
    QImage view(
        first, inside.width(), inside.height(), keeper->bytesPerLine(), keeper->format(),
        [](void* kept) { delete static_cast<QImage*>(kept); }, keeper);
    if (source.format() == QImage::Format_Indexed8)
        view.setColorTable(source.colorTable());
    return view;
}

} // namespace

QImage PictureCopy::copied() const {
    if (image.depth() < 8)
        return area == image.rect() ? image : image.copy(area);
    return sharedView(image, area);
}

bool Picture::fail(const QString& text) {
    lastError_ = text;
    return false;
}

void Picture::replaceImage(QImage image, int colorFormat) {
    image_ = std::move(image);
    blankWhite_ = false;
    encoded_ = EncodedImage();
    colorFormat_ = colorFormat;
    hasSelection_ = false;
    lastError_.clear();
}

bool Picture::LoadFromFile(const QString& path, ScanRead* readAhead) {
    QImage loaded;
    int code = 0;
    QString error;
    // Let go of the old image first, so that a large scan does not sit in memory twice.
    image_ = QImage();
    hasSelection_ = false;
    if (readAhead && readAhead->isCurrentReadOf(path)) {
        replaceImage(std::move(readAhead->image), readAhead->colorCode);
        *readAhead = ScanRead();
        return true;
    }
    if (!readImageFile(path, &loaded, &code, &error)) {
        colorFormat_ = 0;
        return fail(error);
    }
    replaceImage(std::move(loaded), code);
    return true;
}

void Picture::setLoaded(QImage image, int colorCode) {
    replaceImage(std::move(image), colorCode);
}

bool Picture::prepareOutput(const QString& path, QImage* out, ImageWriteOptions* options) {
    if (!HasImage())
        return fail(QStringLiteral("No se puede grabar %1: no hay imagen").arg(quoted(path)));
    if (!imageForOutput(out))
        return false;
    options->colorCode = colorFormat_;
    options->jpegQuality = jpegQuality_;
    options->tiffGroup4 = tiffCompression_ == 2;
    if (!encoded_.pixels.isNull() && out->cacheKey() == encodedKey_ && encodedCode_ == colorFormat_)
        options->encoded = &encoded_;
    return true;
}

bool Picture::SaveToFile(const QString& path) {
    QImage out;
    ImageWriteOptions options;
    diskFull_ = false;
    if (!prepareOutput(path, &out, &options))
        return false;
    QString error;
    if (!writeImageFile(path, out, options, &error, &diskFull_))
        return fail(error);
    lastError_.clear();
    return true;
}

bool Picture::EncodeForFile(const QString& path, QByteArray* bytes) {
    QImage out;
    ImageWriteOptions options;
    if (!prepareOutput(path, &out, &options))
        return false;
    QString error;
    if (!encodeImageFile(path, out, options, bytes, &error))
        return fail(error);
    lastError_.clear();
    return true;
}

void Picture::ClearImage() {
    replaceImage(QImage(), 0);
}

bool Picture::NewImage(int width, int height) {
    if (width <= 0 || height <= 0)
        return fail(QStringLiteral("Tamaño de imagen no válido: %1 x %2").arg(width).arg(height));
    QImage blank(width, height, QImage::Format_RGB32);
    if (blank.isNull())
        return fail(QStringLiteral("No hay memoria para una imagen de %1 x %2 píxeles")
                        .arg(width)
                        .arg(height));
    blank.fill(Qt::white);
    replaceImage(std::move(blank), 0);
    blankWhite_ = true;
    return true;
}

bool Picture::NewImageWith(const PictureCopy& copy, int width, int height, int code) {
    const bool covers = !copy.isNull() && !copy.image.hasAlphaChannel() &&
                        copy.area.width() >= width && copy.area.height() >= height &&
                        mergeLeft_ == 0 && mergeTop_ == 0 && !mergeTransparent_ &&
                        ColorCode::isValid(code);
    if (!covers || width <= 0 || height <= 0) {
        if (!NewImage(width, height))
            return false;
        setColorFormat(code);
        return MergeCopy(copy);
    }
    const QImage covered =
        toWorkingFormat(sharedView(copy.image, QRect(copy.area.topLeft(), QSize(width, height))));
    if (covered.isNull())
        return fail(QStringLiteral("No hay memoria para una imagen de %1 x %2 píxeles")
                        .arg(width)
                        .arg(height));
    replaceImage(covered, code);
    return true;
}

bool Picture::ResizeImage(int width, int height) {
    if (!HasImage())
        return fail(QStringLiteral("No hay imagen que escalar"));
    if (width <= 0 || height <= 0)
        return fail(QStringLiteral("Tamaño de imagen no válido: %1 x %2").arg(width).arg(height));
    if (width == image_.width() && height == image_.height()) {
        hasSelection_ = false;
        return true;
    }
    // A shrink averages every source pixel that falls into a target pixel; an enlargement
    // interpolates.
    QImage scaled = smoothScaled(image_, width, height);
    if (scaled.isNull() || scaled.width() != width || scaled.height() != height)
        return fail(QStringLiteral("No hay memoria para una imagen de %1 x %2 píxeles")
                        .arg(width)
                        .arg(height));
    replaceImage(toWorkingFormat(scaled), colorFormat_);
    return true;
}

bool Picture::MergeFile(const QString& path) {
    if (!HasImage())
        return fail(QStringLiteral("No hay imagen sobre la que mezclar %1").arg(quoted(path)));
    QImage picture;
    int code = 0;
    QString error;
    if (!readImageFile(path, &picture, &code, &error))
        return fail(error);
    mergePicture(picture, picture.rect());
    return true;
}

void Picture::mergePicture(const QImage& source, const QRect& area) {
    lastError_.clear();
    blankWhite_ = false;
    const QPoint at(mergeLeft_, mergeTop_);
    if ((QRect(at, area.size()) & image_.rect()).isEmpty())
        return; // the picture lies wholly outside the image: nothing to draw
    if (!mergeTransparent_) {
        const bool opaque = !source.hasAlphaChannel();
        if (opaque && at == QPoint(0, 0) && area.width() >= image_.width() &&
            area.height() >= image_.height()) {
            // A plain paste that covers the whole image is that part of the picture.
            QImage covered = source.depth() >= 8
                                 ? sharedView(source, QRect(area.topLeft(), image_.size()))
                                 : source.copy(QRect(area.topLeft(), image_.size()));
            if (!covered.isNull())
                image_ = toWorkingFormat(covered);
        } else {
            QPainter painter(&image_);
            painter.drawImage(at, source, area);
        }
    } else {
        const QImage picture = area == source.rect() ? source : source.copy(area);
        const bool keyed = !hasTransparency(picture);
        const QImage straight = picture.convertToFormat(QImage::Format_ARGB32);
        const QRgb key = straight.pixel(0, 0) & 0xFFFFFF;
        const double opacity = std::clamp((100.0 - mergeTransparency_) / 100.0, 0.0, 1.0);
        if (image_.format() == QImage::Format_RGB32) {
            blend(image_, straight, at, opacity, keyed, key);
        } else {
            QImage canvas = image_.convertToFormat(QImage::Format_ARGB32);
            blend(canvas, straight, at, opacity, keyed, key);
            image_ = toWorkingFormat(canvas);
        }
    }
}

bool Picture::Rotate(float angle) {
    if (!HasImage())
        return fail(QStringLiteral("No hay imagen que girar"));
    if (!std::isfinite(angle))
        return fail(QStringLiteral("Ángulo de giro no válido"));
    const TurnGeometry turn(image_.size(), double(angle));
    const double degrees = turn.degrees();
    if (degrees == 0) {
        lastError_.clear();
        return true;
    }
    QImage turned;
    if (degrees == 90 || degrees == 180 || degrees == 270) {
        // Quarter turns move pixels without resampling them.
        turned = image_.transformed(QTransform().rotate(degrees));
    } else {
        turned = QImage(turn.canvas(), image_.format());
        if (!turned.isNull()) {
            turned.fill(Qt::white);
            QPainter painter(&turned);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.setTransform(turn.transform()); // y grows downwards: clockwise on screen
            painter.drawImage(0, 0, image_);
        }
    }
    if (turned.isNull())
        return fail(QStringLiteral("No hay memoria para girar la imagen"));
    replaceImage(toWorkingFormat(turned), colorFormat_);
    return true;
}

int Picture::PixelColor(int x, int y) const {
    if (!image_.valid(x, y))
        return 0;
    QRgb pixel = reinterpret_cast<const QRgb*>(image_.constScanLine(y))[x];
    if (image_.format() == QImage::Format_ARGB32_Premultiplied)
        pixel = qUnpremultiply(pixel);
    return qRed(pixel) + 256 * qGreen(pixel) + 65536 * qBlue(pixel);
}

bool Picture::imageForOutput(QImage* out) {
    if (!selectionEnabled_ || !hasSelection_) {
        *out = image_;
        return true;
    }
    const QRect area = selectionInPixels();
    if (area.isEmpty())
        return fail(QStringLiteral("La selección está vacía o fuera de la imagen"));
    *out = area == image_.rect() ? image_ : image_.copy(area);
    if (out->isNull())
        return fail(QStringLiteral("No hay memoria para copiar la selección"));
    return true;
}

void Picture::SelectArea(int x1, int y1, int x2, int y2) {
    const int left = std::min(x1, x2), top = std::min(y1, y2);
    selection_ = QRect(left, top, std::max(x1, x2) - left, std::max(y1, y2) - top);
    hasSelection_ = true;
}

QRect Picture::selectionInPixels() const {
    if (!hasSelection_ || !HasImage())
        return {};
    const double toPixels = 100.0 / double(zoom_);
    auto pixel = [toPixels](int displayUnits) {
        return int(std::nearbyint(displayUnits * toPixels));
    };
    const int left = pixel(selection_.left()), top = pixel(selection_.top());
    const int right = pixel(selection_.left() + selection_.width());
    const int bottom = pixel(selection_.top() + selection_.height());
    return QRect(left, top, right - left, bottom - top) & image_.rect();
}

bool Picture::CropToSelection() {
    if (!HasImage())
        return fail(QStringLiteral("No hay imagen que recortar"));
    if (!hasSelection_)
        return fail(QStringLiteral("No hay selección a la que recortar"));
    const QRect area = selectionInPixels();
    if (area.isEmpty())
        return fail(QStringLiteral("La selección está vacía o fuera de la imagen"));
    QImage cut = image_.copy(area);
    if (cut.isNull())
        return fail(QStringLiteral("No hay memoria para recortar la imagen"));
    replaceImage(std::move(cut), colorFormat_);
    return true;
}

bool Picture::setColorFormat(int code) {
    if (!ColorCode::isValid(code))
        return fail(QStringLiteral("Formato de color no válido: %1").arg(code));
    // White is white in every format, so a blank canvas needs no converting.
    if (HasImage() && code != ColorCode::Rgb24 && !blankWhite_) {
        const EncodedImage encoded = encodeForColorCode(image_, code);
        const QImage converted = toWorkingFormat(encoded.pixels);
        if (converted.isNull())
            return fail(QStringLiteral("No hay memoria para cambiar el formato de color"));
        image_ = converted;
        encoded_ = encoded;
        encodedKey_ = image_.cacheKey();
        encodedCode_ = code;
    }
    colorFormat_ = code;
    lastError_.clear();
    return true;
}

void Picture::setJpegQuality(int quality) {
    jpegQuality_ = std::clamp(quality, 0, 100);
}

bool Picture::MergeCopy(const PictureCopy& copy) {
    if (!HasImage())
        return fail(QStringLiteral("No hay imagen sobre la que mezclar la copia"));
    if (copy.isNull())
        return fail(QStringLiteral("No hay ninguna imagen copiada que mezclar"));
    mergePicture(copy.image, copy.area);
    return true;
}

bool Picture::CopyOut(PictureCopy* copy) {
    if (!HasImage())
        return fail(QStringLiteral("No hay imagen que copiar"));
    QRect area = image_.rect();
    if (selectionEnabled_ && hasSelection_) {
        area = selectionInPixels();
        if (area.isEmpty())
            return fail(QStringLiteral("La selección está vacía o fuera de la imagen"));
    }
    *copy = {image_, area, colorFormat_};
    lastError_.clear();
    return true;
}

bool Picture::Paste(const PictureCopy& copy) {
    if (copy.isNull())
        return fail(QStringLiteral("No hay ninguna imagen copiada que pegar"));
    QImage pasted = copy.copied();
    if (pasted.isNull())
        return fail(QStringLiteral("No hay memoria para pegar la imagen"));
    replaceImage(std::move(pasted), copy.colorFormat);
    return true;
}
