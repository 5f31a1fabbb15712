#include "app/ImageBox.h"

#include "image/AreaShrink.h"
#include "image/ColorFormats.h"
#include "image/ImageFiles.h"

#include <QDir>
#include <QMouseEvent>
#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <cmath>

namespace {

// The image slot that CopyToClipboard fills and PasteFromClipboard reads, shared by every box.
// It shares the image's data instead of copying it.
PictureCopy& clipboardSlot() {
    static PictureCopy slot;
    return slot;
}

int buttonCode(Qt::MouseButtons buttons) {
    return (buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0) |
           (buttons & Qt::MiddleButton ? 4 : 0);
}

int shiftCode(Qt::KeyboardModifiers modifiers) {
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
           (modifiers & Qt::AltModifier ? 4 : 0);
}

} // namespace

ImageBox::ImageBox(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
    setPalette(p);
}

void ImageBox::setPicture(Picture picture) {
    picture_ = std::move(picture);
    changed(true);
}

Picture ImageBox::takePicture() {
    Picture taken = std::move(picture_);
    picture_ = Picture();
    changed(true);
    return taken;
}

bool ImageBox::changed(bool result) {
    followImageSize();
    update();
    emit pictureChanged();
    return result;
}

void ImageBox::setSizeFollowsImage(bool on) {
    sizeFollowsImage_ = on;
    followImageSize();
}

void ImageBox::followImageSize() {
    if (!sizeFollowsImage_ || autoZoom_)
        return;
    if (!HasImage()) {
        resize(0, 0);
        return;
    }
    const double factor = screenPixelsPerImagePixel();
    resize(std::max(1, int(std::lround(ImageWidth() * factor))),
           std::max(1, int(std::lround(ImageHeight() * factor))));
}

bool ImageBox::MergeClipboard() {
    return changed(picture_.MergeCopy(clipboardSlot()));
}

bool ImageBox::CopyToClipboard() {
    return picture_.CopyOut(&clipboardSlot());
}

bool ImageBox::PasteFromClipboard() {
    return changed(picture_.Paste(clipboardSlot()));
}

void ImageBox::clearClipboardSlot() {
    clipboardSlot() = {};
}

const PictureCopy& ImageBox::clipboardCopy() {
    return clipboardSlot();
}

void ImageBox::setClipboardCopy(const PictureCopy& copy) {
    clipboardSlot() = copy;
}

bool ImageBox::ZoomTo(float percent) {
    if (!std::isfinite(percent) || percent <= 0)
        return picture_.fail(QStringLiteral("Zoom no válido: %1").arg(double(percent)));
    picture_.setZoom(percent);
    picture_.clearError();
    autoZoom_ = false;
    followImageSize();
    update();
    return true;
}

void ImageBox::setAutoZoom(bool on) {
    autoZoom_ = on;
    update();
}

void ImageBox::setDisplayScale(double screenPixelsPerDisplayUnit) {
    if (std::isfinite(screenPixelsPerDisplayUnit) && screenPixelsPerDisplayUnit > 0) {
        displayScale_ = screenPixelsPerDisplayUnit;
        followImageSize();
        update();
    }
}

double ImageBox::screenPixelsPerImagePixel() const {
    if (autoZoom_ && HasImage())
        return std::min(double(width()) / ImageWidth(), double(height()) / ImageHeight());
    return double(Zoom()) / 100.0 * displayScale_;
}

void ImageBox::paintEvent(QPaintEvent*) {
    if (!HasImage())
        return;
    const QImage& image_ = picture_.image();
    QPainter painter(this);
    const double factor = screenPixelsPerImagePixel();
    if (factor <= 0)
        return;
    const QSize target(std::max(1, int(std::lround(image_.width() * factor))),
                       std::max(1, int(std::lround(image_.height() * factor))));
    if (target == image_.size()) {
        painter.drawImage(0, 0, image_);
    } else if (qint64(target.width()) * target.height() <= 4LL * 4096 * 4096) {
        // Keep the scaled picture until the image or the scale changes.
        if (shownKey_ != image_.cacheKey() || shownSize_ != target) {
            shown_ = previewScaled(image_, target.width(), target.height());
            shownKey_ = image_.cacheKey();
            shownSize_ = target;
        }
        painter.drawImage(0, 0, shown_);
    } else {
        // Strongly enlarged: draw only the part that is on screen.
        const QRectF visible =
            QRectF(0, 0, width() / factor, height() / factor) & QRectF(image_.rect());
        painter.drawImage(QRectF(visible.topLeft() * factor, visible.size() * factor), image_,
                          visible);
    }
    if (HasSelection()) {
        const QRect area = selectionInPixels();
        if (!area.isEmpty()) {
            const QRectF onScreen(area.left() * factor + 0.5, area.top() * factor + 0.5,
                                  std::max(0.0, area.width() * factor - 1),
                                  std::max(0.0, area.height() * factor - 1));
            // White under black dashes: visible on light and on dark pictures alike.
            painter.setPen(QPen(Qt::white, 0));
            painter.drawRect(onScreen);
            painter.setPen(QPen(Qt::black, 0, Qt::DashLine));
            painter.drawRect(onScreen);
        }
    }
}

void ImageBox::mousePressEvent(QMouseEvent* event) {
    leftPressed_ = event->button() == Qt::LeftButton;
    doubleClicked_ = false;
    pressPoint_ = event->position();
    emit MouseDown(buttonCode(event->button()), shiftCode(event->modifiers()),
                   float(event->position().x()), float(event->position().y()));
}

void ImageBox::mouseMoveEvent(QMouseEvent* event) {
    emit MouseMove(buttonCode(event->buttons()), shiftCode(event->modifiers()),
                   float(event->position().x()), float(event->position().y()));
}

void ImageBox::mouseReleaseEvent(QMouseEvent* event) {
    emit MouseUp(buttonCode(event->button()), shiftCode(event->modifiers()),
                 float(event->position().x()), float(event->position().y()));
    const QPointF moved = event->position() - pressPoint_;
    if (event->button() == Qt::LeftButton && leftPressed_ && !doubleClicked_ &&
        std::abs(moved.x()) <= 2 && std::abs(moved.y()) <= 2)
        emit Click();
    if (event->button() == Qt::LeftButton)
        leftPressed_ = false;
}

void ImageBox::mouseDoubleClickEvent(QMouseEvent*) {
    // The second press of a double-click raises DblClick instead of MouseDown, and its release
    // raises MouseUp without Click.
    doubleClicked_ = true;
    leftPressed_ = false;
    emit DblClick();
}
