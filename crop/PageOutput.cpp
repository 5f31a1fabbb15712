#include "crop/PageOutput.h"

#include "crop/PagePipeline.h"
#include "crop/RunReport.h"
#include "image/ImageFiles.h"
#include "image/WriteFailure.h"
#include "util/Paths.h"

#include <QDir>

#include <cerrno>

OutputResult makeOutputFolders(const QStringList& folders, RunReport& report) {
    for (const QString& folder : folders) {
        errno = 0;
        if (QDir().mkpath(folder))
            continue;
        const WriteFailure failure = writeFailureOf(errno, folder, 0, QString());
        if (failure.diskFull) {
            report.appendFailure(
                QStringLiteral("El disco está lleno: no se pudo crear la carpeta %1. "
                               "Se detiene el proceso.")
                    .arg(folder));
            return OutputResult::DiskFull;
        }
        report.appendFailure(
            QStringLiteral("No se pudo crear la carpeta %1: %2").arg(folder, failure.reason));
        return OutputResult::Failed;
    }
    return OutputResult::Done;
}

namespace {

// The line of a page that could not be written. A full disk says so and that the run stops.
OutputResult failedWrite(const QString& fileName, const QString& folder, const QString& error,
                         bool diskFull, RunReport& report) {
    if (diskFull) {
        report.appendFailure(QStringLiteral("El disco está lleno: no se pudo grabar %1 en %2. Se "
                                            "detiene el proceso.")
                                 .arg(fileName, folder));
        return OutputResult::DiskFull;
    }
    report.appendFailure(QStringLiteral("No se pudo grabar %1: %2").arg(fileName, error));
    return OutputResult::Failed;
}

} // namespace

OutputResult writePageFile(Picture& page, const QString& folder, const QString& fileName,
                           RunReport& report, const PreparedPage* ahead) {
    const QString path = joinPath(folder, fileName);
    QString error;
    bool diskFull = false;
    if (ahead && ahead->largeEncoded) {
        if (writeEncodedFile(path, ahead->largeBytes, &error, &diskFull))
            return OutputResult::Done;
    } else if (ahead && !ahead->largeError.isEmpty()) {
        error = ahead->largeError;
    } else if (page.SaveToFile(path)) {
        return OutputResult::Done;
    } else {
        error = page.lastError();
        diskFull = page.lastSaveFoundDiskFull();
    }
    return failedWrite(fileName, folder, error, diskFull, report);
}

OutputResult writeThumbnailFile(Picture& page, int width, int height, const QString& folder,
                                const QString& fileName, RunReport& report,
                                const PreparedPage* ahead) {
    if (ahead && (ahead->thumbnailEncoded || !ahead->thumbnailError.isEmpty())) {
        if (ahead->thumbnail.HasImage())
            page = ahead->thumbnail;
        QString error = ahead->thumbnailError;
        bool diskFull = false;
        if (ahead->thumbnailEncoded &&
            writeEncodedFile(joinPath(folder, fileName), ahead->thumbnailBytes, &error, &diskFull))
            return OutputResult::Done;
        return failedWrite(fileName, folder, error, diskFull, report);
    }
    if (!page.ResizeImage(width, height)) {
        report.appendFailure(
            QStringLiteral("No se pudo grabar %1: %2").arg(fileName, page.lastError()));
        return OutputResult::Failed;
    }
    page.setSaveFlag(true);
    return writePageFile(page, folder, fileName, report);
}
