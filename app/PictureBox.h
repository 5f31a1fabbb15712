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
    // Shows a text in place of a picture, e.g. why there is none.
    void showMessage(const QString& text);
    QString message() const { return message_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void showScaled();
    QPixmap picture_;
    QString message_;
};
