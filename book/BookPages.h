#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// The pages of a book, as a folder of cut pages holds them.

struct BookPage {
    QString path;      // the page file
    QString fileName;  // its name in the folder
    double number = 0; // the number its name starts with; 0 when it starts with none
    QString label;     // the page label the PDF shows for it
};
using BookPages = std::vector<BookPage>;

// The page files of a folder (JPEG, TIFF, GIF, PNG and BMP by their extension; subfolders such
// as jpeg_small are not looked into), ordered by the number each name starts with, then by name
// without regard to case. A name that starts with no number counts as 0, so a cover comes first.
// Labels: a first page whose name carries no number is "Portada"; a page whose name starts with
// a number is labelled with it; any other page with its name without extension.
BookPages listBookPages(const QString& folder);

// Where the book of a pages folder goes by default: in the folder's parent, named after the
// parent (".../libro7/jpeg_big" gives ".../libro7/libro7.pdf").
QString defaultPdfPath(const QString& pagesFolder);
