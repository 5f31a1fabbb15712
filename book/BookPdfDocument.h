#pragma once

#include "book/PageImage.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <atomic>
#include <memory>

class QPDF;

// The book's PDF while it is put together, page after page, and its writing. qpdf does the
// syntax. The page pictures are not held: a JPEG page's bytes are read from its file when the
// PDF is written; other pages' encoded pictures wait in a spool file in the temporary folder.
class BookPdfDocument {
public:
    BookPdfDocument();
    ~BookPdfDocument();
    BookPdfDocument(const BookPdfDocument&) = delete;
    BookPdfDocument& operator=(const BookPdfDocument&) = delete;

    // Title and author are kept exactly (any Unicode); empty ones are left out.
    void setInformation(const QString& title, const QString& author, const QDateTime& created);

    // The font of the text layers: Tesseract's glyphless TrueType font (pdf.ttf).
    bool setTextFont(const QString& fontFile, QString* error);

    // Adds the next page: its picture from `path`, the page `widthPoints` × `heightPoints`,
    // with the invisible text `textContent` (content operators using font "/F0") when not empty.
    bool addPage(const QString& path, const PdfPageImage& image, double widthPoints,
                 double heightPoints, const QByteArray& textContent, QString* error);

    // The labels of the pages, in page order.
    void setPageLabels(const QStringList& labels);

    int pageCount() const;

    // Writes the PDF under a temporary name beside `path` and renames it to `path` when it is
    // complete, replacing an older file only then. A set `cancel` stops the writing and leaves
    // nothing behind. The error names the cause; `diskFull` tells a full disk.
    bool write(const QString& path, const std::atomic<bool>* cancel, QString* error,
               bool* diskFull);

private:
    struct Private;
    std::unique_ptr<Private> d_;
};
