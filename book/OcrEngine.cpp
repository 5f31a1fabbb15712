#include "book/OcrEngine.h"

#include <QFile>
#include <leptonica/allheaders.h>
#include <string>
#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

OcrEngine::OcrEngine() = default;

OcrEngine::~OcrEngine() {
    if (api_)
        api_->End();
}

bool OcrEngine::start(const QString& tessdata, const QString& language, QString* error) {
    api_ = std::make_unique<tesseract::TessBaseAPI>();
    // Book pages are dark print on light paper: Tesseract's second reading of every doubtful
    // line as white on black costs time and finds nothing there. Its notes on what it could not
    // read ("Line cannot be recognized!!") would otherwise land on standard error, which in
    // script mode holds the program's own reports only; what matters reaches the list anyway.
    const std::vector<std::string> names{"tessedit_do_invert", "debug_file"};
    const std::vector<std::string> values{"0", "/dev/null"};
    if (api_->Init(QFile::encodeName(tessdata).constData(), language.toUtf8().constData(),
                   tesseract::OEM_DEFAULT, nullptr, 0, &names, &values, false) != 0) {
        api_.reset();
        *error = QStringLiteral("Tesseract no puede cargar el idioma %1 desde %2")
                     .arg(language, tessdata);
        return false;
    }
    return true;
}

std::vector<OcrLine> OcrEngine::read(Pix* page, int dpi) {
    std::vector<OcrLine> lines;
    if (!api_)
        return lines;
    api_->SetImage(page);
    api_->SetSourceResolution(dpi);
    if (api_->Recognize(nullptr) != 0)
        return lines;
    std::unique_ptr<tesseract::ResultIterator> it(api_->GetIterator());
    if (!it)
        return lines;
    bool lineStarts = true;
    do {
        if (it->IsAtBeginningOf(tesseract::RIL_TEXTLINE))
            lineStarts = true;
        if (it->Empty(tesseract::RIL_WORD))
            continue;
        std::unique_ptr<char[]> text(it->GetUTF8Text(tesseract::RIL_WORD));
        const QString word = QString::fromUtf8(text.get()).trimmed();
        if (word.isEmpty())
            continue;
        if (lineStarts) {
            OcrLine line;
            int l = 0, t = 0, r = 0, b = 0;
            it->BoundingBox(tesseract::RIL_TEXTLINE, &l, &t, &r, &b);
            line.box = QRect(QPoint(l, t), QPoint(r - 1, b - 1));
            int x1 = l, y1 = b, x2 = r, y2 = b;
            it->Baseline(tesseract::RIL_TEXTLINE, &x1, &y1, &x2, &y2);
            line.baselineStart = QPoint(x1, y1);
            line.baselineEnd = QPoint(x2, y2);
            lines.push_back(std::move(line));
            lineStarts = false;
        }
        int l = 0, t = 0, r = 0, b = 0;
        it->BoundingBox(tesseract::RIL_WORD, &l, &t, &r, &b);
        lines.back().words.push_back({word, QRect(QPoint(l, t), QPoint(r - 1, b - 1))});
    } while (it->Next(tesseract::RIL_WORD));
    api_->Clear();
    return lines;
}
