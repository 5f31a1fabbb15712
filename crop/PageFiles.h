#pragma once

#include "crop/PageOutput.h"

#include <QString>
#include <QStringList>

class Picture;
class RunReport;
struct PreparedPage;

// The files of one scan's pages, written beside the scan: each page into jpeg_big/ and, with
// thumbnails, its thumbnail into jpeg_small/, every file under its lines in the run's report.
// What was written is kept, relative to the scan's folder, for the cut record.
class PageFiles {
public:
    PageFiles(const QString& scanFolder, const OutputSettings& settings, bool thumbnails,
              int thumbnailWidth, int thumbnailHeight, RunReport& report);

    bool thumbnails() const { return thumbnails_; }
    // The files of the page whose base name is `base`.
    QString pageName(const QString& base) const;
    QString thumbnailName(const QString& base) const;

    // Makes the folders the files go into.
    OutputResult makeFolders();
    // Writes `page` as pageName(`base`); with the files made ahead (`ahead`), their bytes.
    OutputResult writePage(Picture& page, const QString& base, const PreparedPage* ahead);
    // Shrinks `page` itself to the thumbnail and writes it as thumbnailName(`base`), under the
    // line `header` (or makes it the thumbnail made ahead and writes that).
    OutputResult writeThumbnail(Picture& page, const QString& header, const QString& base,
                                const PreparedPage* ahead);

    const QStringList& written() const { return written_; }

private:
    QString pages_;
    QString thumbnailFolder_;
    OutputSettings settings_;
    bool thumbnails_;
    int thumbnailWidth_;
    int thumbnailHeight_;
    RunReport& report_;
    QStringList written_;
};
