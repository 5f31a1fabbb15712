#include "crop/PageOutput.h"

#include "app/ComboBox.h"
#include "app/ImageBox.h"
#include "app/MainWindow.h"
#include "app/ProgressList.h"
#include "crop/PagePipeline.h"
#include "image/ImageFiles.h"
#include "image/WriteFailure.h"
#include "util/Numbers.h"
#include "util/Paths.h"

#include <QCheckBox>
#include <QDir>

#include <cerrno>

std::optional<OutputSettings> readOutputSettings(MainWindow& w, ProgressList* log) {
    auto refuse = [log](const QString& what, const QString& text) {
        log->appendFailure(
            QStringLiteral("%1 no válido: \"%2\". No se ha cortado nada.").arg(what, text));
        return std::nullopt;
    };
    const int large = w.TipoGrande->listIndex();
    if (large < 0 || large >= OptionTables::kFormatRows)
        return refuse(QStringLiteral("Tipo de las imágenes grandes"), w.TipoGrande->text());
    // Thumbnails are written in the type offered for them.
    const int small = w.TipoPeque->listIndex();
    const bool thumbnails = w.HacerMini->isChecked();
    if (thumbnails && (small < 0 || small >= OptionTables::kFormatRows))
        return refuse(QStringLiteral("Tipo de las miniaturas"), w.TipoPeque->text());
    const int color = w.ColorBw->listIndex();
    if (color < 0 || color >= OptionTables::kColorFormatRows)
        return refuse(QStringLiteral("Formato de color"), w.ColorBw->text());
    return OutputSettings{w.tables.formats[large].extension,
                          thumbnails ? w.tables.formats[small].extension : QString(),
                          w.tables.colorFormats[color].code};
}

OutputResult makeOutputFolders(const QStringList& folders, ProgressList* log) {
    for (const QString& folder : folders) {
        errno = 0;
        if (QDir().mkpath(folder))
            continue;
        const WriteFailure failure = writeFailureOf(errno, folder, 0, QString());
        if (failure.diskFull) {
            log->appendFailure(
                QStringLiteral("El disco está lleno: no se pudo crear la carpeta %1. "
                               "Se detiene el proceso.")
                    .arg(folder));
            return OutputResult::DiskFull;
        }
        log->appendFailure(
            QStringLiteral("No se pudo crear la carpeta %1: %2").arg(folder, failure.reason));
        return OutputResult::Failed;
    }
    return OutputResult::Done;
}

namespace {

// The line of a page that could not be written. A full disk says so and that the run stops.
OutputResult failedWrite(const QString& fileName, const QString& folder, const QString& error,
                         bool diskFull, ProgressList* log) {
    if (diskFull) {
        log->appendFailure(QStringLiteral("El disco está lleno: no se pudo grabar %1 en %2. Se "
                                          "detiene el proceso.")
                               .arg(fileName, folder));
        return OutputResult::DiskFull;
    }
    log->appendFailure(QStringLiteral("No se pudo grabar %1: %2").arg(fileName, error));
    return OutputResult::Failed;
}

} // namespace

OutputResult writePageFile(ImageBox* page, const QString& folder, const QString& fileName,
                           ProgressList* log, const PreparedPage* ahead) {
    const QString path = joinPath(folder, fileName);
    QString error;
    bool diskFull = false;
    if (ahead && ahead->largeEncoded) {
        if (writeEncodedFile(path, ahead->largeBytes, &error, &diskFull))
            return OutputResult::Done;
    } else if (ahead && !ahead->largeError.isEmpty()) {
        error = ahead->largeError;
    } else if (page->SaveToFile(path)) {
        return OutputResult::Done;
    } else {
        error = page->lastError();
        diskFull = page->lastSaveFoundDiskFull();
    }
    return failedWrite(fileName, folder, error, diskFull, log);
}

OutputResult writeThumbnailFile(MainWindow& w, ImageBox* page, const QString& folder,
                                const QString& fileName, ProgressList* log,
                                const PreparedPage* ahead) {
    if (ahead && (ahead->thumbnailEncoded || !ahead->thumbnailError.isEmpty())) {
        if (ahead->thumbnail.HasImage())
            page->setPicture(ahead->thumbnail);
        QString error = ahead->thumbnailError;
        bool diskFull = false;
        if (ahead->thumbnailEncoded &&
            writeEncodedFile(joinPath(folder, fileName), ahead->thumbnailBytes, &error, &diskFull))
            return OutputResult::Done;
        return failedWrite(fileName, folder, error, diskFull, log);
    }
    if (!page->ResizeImage(roundToInt32(w.v.AnchoMiniatura), roundToInt32(w.v.AltoMiniatura))) {
        log->appendFailure(
            QStringLiteral("No se pudo grabar %1: %2").arg(fileName, page->lastError()));
        return OutputResult::Failed;
    }
    page->setSaveFlag(true);
    return writePageFile(page, folder, fileName, log);
}
