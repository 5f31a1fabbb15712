#include "app/PictureBox.h"

#include <QImageReader>

PictureBox::PictureBox(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignCenter);
    setFrameShape(QFrame::Box);
    setWordWrap(true);
}

bool PictureBox::loadPicture(const QString& path) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    picture_ = QPixmap::fromImage(image);
    message_.clear();
    showScaled();
    return !image.isNull();
}

void PictureBox::showMessage(const QString& text) {
    picture_ = QPixmap();
    message_ = text;
    showScaled();
}

void PictureBox::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    showScaled();
}

void PictureBox::showScaled() {
    if (picture_.isNull()) {
        setText(message_);
        return;
    }
    setPixmap(
        picture_.scaled(contentsRect().size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}
