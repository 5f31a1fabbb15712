#include "book/BookPages.h"

#include "util/FolderListing.h"
#include "util/Numbers.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace {

const QString kPageTypes = QStringLiteral("*.jpg;*.jpeg;*.tif;*.tiff;*.gif;*.png;*.bmp");

bool startsWithNumber(const QString& baseName) {
    // The same reading as the number itself: blanks, a sign, then a digit or ".digit".
    qsizetype i = 0;
    while (i < baseName.size() && (baseName[i] == u' ' || baseName[i] == u'\t'))
        ++i;
    if (i < baseName.size() && (baseName[i] == u'+' || baseName[i] == u'-'))
        ++i;
    if (i < baseName.size() && baseName[i] == u'.')
        ++i;
    return i < baseName.size() && baseName[i] >= u'0' && baseName[i] <= u'9';
}

} // namespace

BookPages listBookPages(const QString& folder) {
    BookPages pages;
    for (const QString& name : listFiles(folder, kPageTypes)) {
        BookPage page;
        page.path = QDir(folder).filePath(name);
        page.fileName = name;
        const QString base = QFileInfo(name).completeBaseName();
        page.number = numericValueOfText(base);
        page.label = startsWithNumber(base) ? QString::number(page.number, 'g', 15) : base;
        pages.push_back(std::move(page));
    }
    // The listing is already in name order; a stable sort keeps it among equal numbers.
    std::stable_sort(pages.begin(), pages.end(),
                     [](const BookPage& a, const BookPage& b) { return a.number < b.number; });
    if (!pages.empty() && !startsWithNumber(QFileInfo(pages.front().fileName).completeBaseName()))
        pages.front().label = QStringLiteral("Portada");
    return pages;
}

QString defaultPdfPath(const QString& pagesFolder) {
    const QFileInfo pages(QDir::cleanPath(QDir(pagesFolder).absolutePath()));
    const QDir parent = pages.dir();
    QString name = QFileInfo(parent.absolutePath()).fileName();
    if (name.isEmpty())
        name = pages.fileName(); // the pages folder sits at the root
    if (name.isEmpty())
        name = QStringLiteral("libro");
    return parent.filePath(name + QStringLiteral(".pdf"));
}
