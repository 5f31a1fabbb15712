#include "book/BookPdfWriter.h"

#include "book/BookPdfDocument.h"
#include "book/OcrEngine.h"
#include "book/OcrLanguages.h"
#include "book/PageImage.h"
#include "book/TextLayer.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <omp.h>
#include <optional>
#include <vector>

namespace {

// What a worker hands over for one page.
struct PreparedPage {
    bool ok = false;
    QString error;
    PdfPageImage image;
    QByteArray text;
    int words = 0;
};

QString megabytes(qint64 bytes) {
    return QString::number(bytes / 1e6, 'f', 1).replace(QLatin1Char('.'), QLatin1Char(','));
}

// The page's size from its pixels and the resolution that applies to it.
PageGeometry geometryOf(const PdfPageImage& image, const BookPdfOptions& options) {
    double x = options.resolution, y = options.resolution;
    if (!options.resolutionByHand && image.xDpi > 0) {
        x = image.xDpi;
        y = image.yDpi > 0 ? image.yDpi : image.xDpi;
    }
    PageGeometry page;
    page.pointsPerPixelX = 72.0 / x;
    page.pointsPerPixelY = 72.0 / y;
    page.heightPoints = image.height * page.pointsPerPixelY;
    return page;
}

class BookRun {
public:
    BookRun(const BookPdfOptions& options, const BookPdfReport& report)
        : options_(options), report_(report), slots_(options.pages.size()) {}

    BookPdfResult run();

private:
    bool cancelled() const { return options_.cancel && options_.cancel->load(); }
    BookPdfResult fail(const QString& line);
    bool checkBeforehand();
    void work();
    void commitInOrder();
    PreparedPage prepare(size_t index, OcrEngine* engine);

    const BookPdfOptions& options_;
    const BookPdfReport& report_;
    QString tessdata_;
    BookPdfDocument document_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::optional<PreparedPage>> slots_;
    size_t next_ = 0;      // the next page a worker takes
    size_t committed_ = 0; // pages the committer is done with
    bool stop_ = false;
    bool failed_ = false; // a page failed: the rest are only checked, not recognised
    int unreadable_ = 0;
    QString fatal_; // what stops the run, when not a page
};

BookPdfResult BookRun::fail(const QString& line) {
    report_(line);
    BookPdfResult result;
    result.path = options_.outputPath;
    result.message = line;
    return result;
}

bool BookRun::checkBeforehand() {
    if (!options_.ocr)
        return true;
    tessdata_ = options_.tessdata.isEmpty() ? tessdataFolder() : options_.tessdata;
    const QStringList missing = missingOcrLanguages(options_.ocrLanguage, tessdata_);
    if (!missing.isEmpty()) {
        fatal_ =
            QStringLiteral(
                "Falta el idioma de OCR %1 (no hay %2.traineddata en %3); el PDF no se ha escrito")
                .arg(options_.ocrLanguage, missing.join(QStringLiteral(".traineddata ni ")),
                     tessdata_.isEmpty() ? QStringLiteral("ninguna carpeta de Tesseract")
                                         : tessdata_);
        return false;
    }
    QString error;
    if (!document_.setTextFont(QDir(tessdata_).filePath(QStringLiteral("pdf.ttf")), &error)) {
        fatal_ = QStringLiteral("No se puede hacer el texto buscable: %1; el PDF no se ha escrito")
                     .arg(error);
        return false;
    }
    return true;
}

PreparedPage BookRun::prepare(size_t index, OcrEngine* engine) {
    PreparedPage page;
    PixPointer pixels;
    bool recognise = false;
    {
        std::lock_guard lock(mutex_);
        recognise = engine && !failed_;
    }
    if (!readPageImage(options_.pages[index].path, &page.image, recognise ? &pixels : nullptr,
                       &page.error))
        return page;
    page.ok = true;
    if (recognise && !cancelled()) {
        const PageGeometry geometry = geometryOf(page.image, options_);
        const int dpi = std::max(1, int(std::lround(72.0 / geometry.pointsPerPixelX)));
        const std::vector<OcrLine> lines = engine->read(pixels.get(), dpi);
        for (const OcrLine& line : lines)
            page.words += int(line.words.size());
        page.text = textLayerContent(lines, geometry, QByteArrayLiteral("/F0"));
    }
    return page;
}

void BookRun::work() {
    std::optional<OcrEngine> engine;
    if (options_.ocr) {
        engine.emplace();
        QString error;
        if (!engine->start(tessdata_, options_.ocrLanguage, &error)) {
            std::lock_guard lock(mutex_);
            if (fatal_.isEmpty())
                fatal_ = error + QStringLiteral("; el PDF no se ha escrito");
            stop_ = true;
            changed_.notify_all();
            return;
        }
    }
    // Enough pages ahead to keep every worker busy, few enough that memory stays small.
    const size_t ahead = 2 * size_t(std::max(1, options_.workers));
    for (;;) {
        size_t index = 0;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] {
                return stop_ || next_ >= slots_.size() || next_ < committed_ + ahead;
            });
            if (stop_ || next_ >= slots_.size())
                return;
            index = next_++;
        }
        if (cancelled())
            return;
        PreparedPage page = prepare(index, engine ? &*engine : nullptr);
        std::lock_guard lock(mutex_);
        if (!page.ok)
            failed_ = true;
        slots_[index] = std::move(page);
        changed_.notify_all();
    }
}

void BookRun::commitInOrder() {
    const size_t total = slots_.size();
    for (size_t i = 0; i < total; ++i) {
        PreparedPage page;
        {
            std::unique_lock lock(mutex_);
            // Waits a little at a time so that a cancel is seen while a long page is recognised.
            while (!slots_[i] && !stop_ && !cancelled())
                changed_.wait_for(lock, std::chrono::milliseconds(100));
            if (!slots_[i])
                break;
            page = std::move(*slots_[i]);
            slots_[i].reset();
        }
        if (cancelled())
            break;
        const BookPage& source = options_.pages[i];
        const QString where =
            QStringLiteral("%1 de %2 (%3)").arg(i + 1).arg(total).arg(source.fileName);
        if (!page.ok) {
            ++unreadable_;
            report_(QStringLiteral("No se puede leer la página %1: %2").arg(where, page.error));
        } else if (unreadable_ == 0) {
            const PageGeometry geometry = geometryOf(page.image, options_);
            QString error;
            if (!document_.addPage(source.path, page.image,
                                   page.image.width * geometry.pointsPerPixelX,
                                   geometry.heightPoints, page.text, &error)) {
                std::lock_guard lock(mutex_);
                fatal_ =
                    QStringLiteral("No se puede añadir la página %1: %2; el PDF no se ha escrito")
                        .arg(where, error);
                break;
            }
            report_(options_.ocr
                        ? QStringLiteral("Página %1: %2 palabras").arg(where).arg(page.words)
                        : QStringLiteral("Página %1").arg(where));
        }
        std::lock_guard lock(mutex_);
        committed_ = i + 1;
        changed_.notify_all();
    }
    std::lock_guard lock(mutex_);
    stop_ = true;
    changed_.notify_all();
}

BookPdfResult BookRun::run() {
    if (options_.pages.empty())
        return fail(QStringLiteral(
            "No hay páginas (JPG, TIFF, GIF, PNG o BMP) para el libro; el PDF no se ha escrito"));
    if (options_.outputPath.isEmpty())
        return fail(QStringLiteral("Falta el nombre del fichero PDF"));
    if (!QFileInfo(QFileInfo(options_.outputPath).absolutePath()).isDir())
        return fail(QStringLiteral("No existe la carpeta %1; el PDF no se ha escrito")
                        .arg(QFileInfo(options_.outputPath).absolutePath()));
    if (!(options_.resolution > 0))
        return fail(QStringLiteral("La resolución debe ser mayor que 0; el PDF no se ha escrito"));
    if (!checkBeforehand())
        return fail(fatal_);

    document_.setInformation(options_.title, options_.author, QDateTime::currentDateTime());
    const int workers = std::max(1, options_.workers);
    // The workers are an OpenMP team, so that the parallel loops inside Tesseract run nested
    // and hence on the worker's own thread: one engine per core, not one per core times the
    // threads of Tesseract's loops fighting for the same cores. Thread 0 adds the pages in order.
    omp_set_max_active_levels(1);
#pragma omp parallel num_threads(workers + 1)
    {
        if (omp_get_thread_num() == 0)
            commitInOrder();
        else
            work();
    }

    if (cancelled())
        return [&] {
            BookPdfResult result = fail(QStringLiteral("Cancelado: el PDF no se ha escrito"));
            result.cancelled = true;
            return result;
        }();
    if (!fatal_.isEmpty())
        return fail(fatal_);
    if (unreadable_ > 0)
        return fail(unreadable_ == 1
                        ? QStringLiteral("Una página no se puede leer: el PDF no se ha escrito")
                        : QStringLiteral("%1 páginas no se pueden leer: el PDF no se ha escrito")
                              .arg(unreadable_));

    QStringList labels;
    for (const BookPage& page : options_.pages)
        labels << page.label;
    document_.setPageLabels(labels);
    report_(QStringLiteral("Escribiendo %1 ...").arg(options_.outputPath));
    QString error;
    bool diskFull = false;
    if (!document_.write(options_.outputPath, options_.cancel, &error, &diskFull)) {
        if (cancelled()) {
            BookPdfResult result = fail(QStringLiteral("Cancelado: el PDF no se ha escrito"));
            result.cancelled = true;
            return result;
        }
        return fail(
            diskFull
                ? QStringLiteral("No se puede escribir %1: el disco está lleno")
                      .arg(options_.outputPath)
                : QStringLiteral("No se puede escribir %1: %2").arg(options_.outputPath, error));
    }
    BookPdfResult result;
    result.ok = true;
    result.path = options_.outputPath;
    result.bytes = QFileInfo(options_.outputPath).size();
    result.pages = document_.pageCount();
    result.message = QStringLiteral("PDF escrito: %1 (%2 MB, %3 páginas)")
                         .arg(QDir::toNativeSeparators(result.path), megabytes(result.bytes))
                         .arg(result.pages);
    report_(result.message);
    return result;
}

} // namespace

BookPdfResult writeBookPdf(const BookPdfOptions& options, const BookPdfReport& report) {
    return BookRun(options, report).run();
}
