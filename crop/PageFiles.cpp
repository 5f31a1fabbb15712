#include "crop/PageFiles.h"

#include "crop/RunReport.h"
#include "util/Paths.h"

PageFiles::PageFiles(const QString& scanFolder, const OutputSettings& settings, bool thumbnails,
                     int thumbnailWidth, int thumbnailHeight, RunReport& report)
    : pages_(joinPath(scanFolder, QStringLiteral("jpeg_big"))),
      thumbnailFolder_(joinPath(scanFolder, QStringLiteral("jpeg_small"))), settings_(settings),
      thumbnails_(thumbnails), thumbnailWidth_(thumbnailWidth), thumbnailHeight_(thumbnailHeight),
      report_(report) {}

QString PageFiles::pageName(const QString& base) const {
    return base + (thumbnails_ ? QStringLiteral("A") : QString()) + settings_.extension;
}

QString PageFiles::thumbnailName(const QString& base) const {
    return base + QStringLiteral("B") + settings_.thumbnailExtension;
}

OutputResult PageFiles::makeFolders() {
    return makeOutputFolders(
        thumbnails_ ? QStringList{pages_, thumbnailFolder_} : QStringList{pages_}, report_);
}

OutputResult PageFiles::writePage(Picture& page, const QString& base, const PreparedPage* ahead) {
    const QString fileName = pageName(base);
    report_.appendHeader(QStringLiteral("Grabando imagen ..."));
    report_.appendLine(fileName);
    const OutputResult result = writePageFile(page, pages_, fileName, report_, ahead);
    if (result == OutputResult::Done)
        report_.pagesWritten(pages_);
    written_ << QStringLiteral("jpeg_big/") + fileName;
    return result;
}

OutputResult PageFiles::writeThumbnail(Picture& page, const QString& header, const QString& base,
                                       const PreparedPage* ahead) {
    const QString fileName = thumbnailName(base);
    report_.appendHeader(header);
    report_.appendLine(fileName);
    const OutputResult result = writeThumbnailFile(page, thumbnailWidth_, thumbnailHeight_,
                                                   thumbnailFolder_, fileName, report_, ahead);
    written_ << QStringLiteral("jpeg_small/") + fileName;
    return result;
}
