#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

// One image box of the window: holds one image and shows it.
class ImageBox : public QWidget {
    Q_OBJECT
public:
    explicit ImageBox(QWidget* parent = nullptr);

    bool LoadFromFile(const QString& path);
    void ClearImage();
    bool HasImage() const { return !image_.isNull(); }
    int ImageWidth() const { return image_.width(); }
    int ImageHeight() const { return image_.height(); }
    QString lastError() const { return lastError_; }

    const QImage& image() const { return image_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
    QString lastError_;
};
