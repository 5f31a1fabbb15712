#pragma once

#include "book/BookPages.h"

#include <QString>
#include <atomic>
#include <functional>

// The finished book as one PDF: the pages in order, each picture as it was cut (JPEG bytes as
// they are, 1-bit pages as Group 4, others lossless), page labels from the page names, and,
// when asked, an invisible text layer read by Tesseract so that the text can be searched and
// copied. Widget-free; the caller runs it off the window's thread.

struct BookPdfOptions {
    BookPages pages;    // in order (listBookPages)
    QString outputPath; // the PDF; an older file of that name is replaced only when all went well
    QString title;
    QString author;
    double resolution = 300;       // dots per inch: a page is its pixels ÷ this
    bool resolutionByHand = false; // when false, a page file's own resolution wins
    bool ocr = false;
    QString ocrLanguage = QStringLiteral("spa+eng"); // Tesseract's form: "spa", "spa+eng"
    QString tessdata; // Tesseract's data folder; empty: tessdataFolder()
    int workers = 1;  // pages read (and recognised) at a time, one per core the run may use
    const std::atomic<bool>* cancel = nullptr; // checked between pages and while writing
};

struct BookPdfResult {
    bool ok = false;
    bool cancelled = false;
    QString path;
    qint64 bytes = 0;
    int pages = 0;
    QString message; // the last line reported: what was written, or why nothing was
};

// One line for the operator's list (Spanish): a page done, the result, or a problem naming the
// page or the reason. Called on the thread that called writeBookPdf.
using BookPdfReport = std::function<void(const QString& line)>;

// Makes the PDF. Pages are read (and recognised) by `workers` threads and added in order, a
// line for each. A page that cannot be read, a missing OCR language, a failed write or a full
// disk leave any older file untouched and write nothing; so does a cancel.
BookPdfResult writeBookPdf(const BookPdfOptions& options, const BookPdfReport& report);
