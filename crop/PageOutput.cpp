#include "crop/PageOutput.h"

#include "app/ComboBox.h"
#include "app/MainWindow.h"
#include "app/Numbers.h"
#include "app/Paths.h"
#include "app/ProgressList.h"
#include "crop/PagePipeline.h"
#include "image/ImageBox.h"
#include "image/ImageFiles.h"

#include <QCheckBox>
#include <QDir>

std::optional<OutputSettings> readOutputSettings(MainWindow& w, ProgressList* log) {
    auto refuse = [log](const QString& what, const QString& text) {
        log->appendLine(
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

bool makeOutputFolders(const QStringList& folders, ProgressList* log) {
    for (const QString& folder : folders) {
        if (!QDir().mkpath(folder)) {
            log->appendLine(QStringLiteral("No se pudo crear la carpeta %1").arg(folder));
            return false;
        }
    }
    return true;
}

bool writePageFile(ImageBox* page, const QString& folder, const QString& fileName,
                   ProgressList* log, const PreparedPage* ahead) {
    const QString path = joinPath(folder, fileName);
    QString error;
    if (ahead && ahead->largeEncoded) {
        if (writeEncodedFile(path, ahead->largeBytes, &error))
            return true;
    } else if (ahead && !ahead->largeError.isEmpty()) {
        error = ahead->largeError;
    } else if (page->SaveToFile(path)) {
        return true;
    } else {
        error = page->lastError();
    }
    log->appendLine(QStringLiteral("No se pudo grabar %1: %2").arg(fileName, error));
    return false;
}

bool writeThumbnailFile(MainWindow& w, ImageBox* page, const QString& folder,
                        const QString& fileName, ProgressList* log, const PreparedPage* ahead) {
    if (ahead && (ahead->thumbnailEncoded || !ahead->thumbnailError.isEmpty())) {
        if (ahead->thumbnail.HasImage())
            page->setPicture(ahead->thumbnail);
        QString error = ahead->thumbnailError;
        if (ahead->thumbnailEncoded &&
            writeEncodedFile(joinPath(folder, fileName), ahead->thumbnailBytes, &error))
            return true;
        log->appendLine(QStringLiteral("No se pudo grabar %1: %2").arg(fileName, error));
        return false;
    }
    if (!page->ResizeImage(roundToInt32(w.v.AnchoMiniatura), roundToInt32(w.v.AltoMiniatura))) {
        log->appendLine(
            QStringLiteral("No se pudo grabar %1: %2").arg(fileName, page->lastError()));
        return false;
    }
    page->setSaveFlag(true);
    return writePageFile(page, folder, fileName, log);
}
