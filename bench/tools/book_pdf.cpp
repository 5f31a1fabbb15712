// The book PDF of a folder of pages, made by Pliego's own core as the "Libro PDF" tab makes it,
// for the benchmark: bench_book_pdf [--ocr LANGUAGE] [--resolution DPI] FOLDER OUTPUT.pdf
// Workers: one per core the process may run on, as the program's batches take them. Prints the
// progress lines; "words N" at the end with the words the text layer holds.
#include "book/BookPages.h"
#include "book/BookPdfWriter.h"
#include "crop/BatchAhead.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    BookPdfOptions options;
    while (args.size() > 2) {
        if (args[0] == u"--ocr") {
            options.ocr = true;
            options.ocrLanguage = args[1];
        } else if (args[0] == u"--resolution") {
            options.resolution = args[1].toDouble();
            options.resolutionByHand = true;
        } else {
            break;
        }
        args = args.mid(2);
    }
    if (args.size() != 2) {
        std::fprintf(
            stderr,
            "usage: bench_book_pdf [--ocr LANGUAGE] [--resolution DPI] FOLDER OUTPUT.pdf\n");
        return 2;
    }
    options.pages = listBookPages(args[0]);
    options.outputPath = args[1];
    options.title = QStringLiteral("Benchmark");
    options.workers = BatchAhead::workerCount();
    long words = 0;
    const QRegularExpression wordCount(QStringLiteral(": (\\d+) palabras$"));
    const BookPdfResult result = writeBookPdf(options, [&](const QString& line) {
        const QRegularExpressionMatch match = wordCount.match(line);
        if (match.hasMatch())
            words += match.captured(1).toLong();
        std::printf("%s\n", qPrintable(line));
    });
    std::printf("workers %d\nwords %ld\n", options.workers, words);
    return result.ok ? 0 : 1;
}
