#include "pipeline/ImageBox.h"

#include <QImageReader>
#include <QPainter>

ImageBox::ImageBox(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
    setPalette(p);
}

bool ImageBox::LoadFromFile(const QString& path) {
    QImageReader reader(path);
    QImage loaded = reader.read();
    if (loaded.isNull()) {
        image_ = QImage();
        lastError_ = reader.errorString();
        update();
        return false;
    }
    image_ = std::move(loaded);
    lastError_.clear();
    update();
    return true;
}

void ImageBox::ClearImage() {
    image_ = QImage();
    update();
}

void ImageBox::paintEvent(QPaintEvent*) {
    if (image_.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSize fitted = image_.size().scaled(size(), Qt::KeepAspectRatio);
    painter.drawImage(QRect(QPoint(0, 0), fitted), image_);
}
