#include "crop/AutomaticOutput.h"

#include "crop/CutRecord.h"
#include "crop/PageFiles.h"
#include "crop/RunReport.h"
#include "util/Paths.h"

OutputResult writeAutomaticScan(const QString& scanFolder, const QString& scanFile,
                                const QList<ScanPageOut>& pages, bool whole, PageFiles& files,
                                CutRecord& record, const QByteArray& settings, RunReport& report) {
    const OutputResult folders = files.makeFolders();
    if (folders != OutputResult::Done)
        return folders;
    const QString scanPath = joinPath(scanFolder, scanFile);
    auto recordFailure = [&](const QString& error) {
        report.appendFailure(
            QStringLiteral("No se pudo anotar %1 como cortada: %2").arg(scanFile, error));
    };
    QString recordError;
    if (!record.beginWriting(scanPath, settings, &recordError)) {
        recordFailure(recordError);
        whole = false;
    }
    // A page that could not be cut has been reported and is not written, and the scan is not
    // recorded as cut.
    QList<ScanPageOut> made;
    for (const ScanPageOut& page : pages) {
        if (page.page)
            made.append(page);
        else
            whole = false;
    }
    for (const ScanPageOut& page : made) {
        const OutputResult result = files.writePage(*page.page, page.base, page.prepared);
        if (result == OutputResult::DiskFull)
            return result;
        whole = whole && result == OutputResult::Done;
    }
    if (files.thumbnails()) {
        for (const ScanPageOut& page : made) {
            const OutputResult result = files.writeThumbnail(
                *page.page, QStringLiteral("Grabando miniatura ..."), page.base, page.prepared);
            if (result == OutputResult::DiskFull)
                return result;
            whole = whole && result == OutputResult::Done;
        }
    }
    if (whole && !record.commit(scanPath, settings, files.written(), &recordError))
        recordFailure(recordError);
    return whole ? OutputResult::Done : OutputResult::Failed;
}
