#pragma once

#include <QRect>
#include <QString>
#include <memory>
#include <vector>

struct Pix;
namespace tesseract {
class TessBaseAPI;
}

// The words Tesseract reads on a page, line by line, in the picture's pixels (origin top left).

struct OcrWord {
    QString text;
    QRect box;
};

struct OcrLine {
    QRect box;
    // The line's baseline from its left end to its right end.
    QPoint baselineStart;
    QPoint baselineEnd;
    std::vector<OcrWord> words;
};

// One Tesseract engine: made and used by one thread at a time.
class OcrEngine {
public:
    OcrEngine();
    ~OcrEngine();
    OcrEngine(const OcrEngine&) = delete;
    OcrEngine& operator=(const OcrEngine&) = delete;

    // Loads the language ("spa", "spa+eng") from Tesseract's data folder.
    bool start(const QString& tessdata, const QString& language, QString* error);

    // The words of a page picture of the given resolution.
    std::vector<OcrLine> read(Pix* page, int dpi);

private:
    std::unique_ptr<tesseract::TessBaseAPI> api_;
};
