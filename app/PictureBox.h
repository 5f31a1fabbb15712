#pragma once

#include <QLabel>

// Shows a picture file scaled to its frame.
class PictureBox : public QLabel {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    // Returns false (and shows nothing) when the file cannot be read.
    bool loadPicture(const QString& path);
    bool hasPicture() const { return !picture_.isNull(); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void showScaled();
    QPixmap picture_;
};
