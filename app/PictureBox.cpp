#include "app/PictureBox.h"

#include <QImageReader>

PictureBox::PictureBox(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignCenter);
    setFrameShape(QFrame::Box);
}

bool PictureBox::loadPicture(const QString& path) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    picture_ = QPixmap::fromImage(image);
    showScaled();
    return !image.isNull();
}

void PictureBox::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    showScaled();
}

void PictureBox::showScaled() {
    if (picture_.isNull()) {
        clear();
        return;
    }
    setPixmap(
        picture_.scaled(contentsRect().size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}
