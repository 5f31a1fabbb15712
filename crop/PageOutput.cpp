#include "crop/PageOutput.h"

#include "app/ComboBox.h"
#include "app/MainWindow.h"
#include "app/Numbers.h"
#include "app/Paths.h"
#include "app/ProgressList.h"
#include "image/ImageBox.h"
#include "image/WriteFailure.h"

#include <QCheckBox>
#include <QDir>

#include <cerrno>

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

OutputResult makeOutputFolders(const QStringList& folders, ProgressList* log) {
    for (const QString& folder : folders) {
        errno = 0;
        if (QDir().mkpath(folder))
            continue;
        const WriteFailure failure = writeFailureOf(errno, folder, 0, QString());
        if (failure.diskFull) {
            log->appendLine(QStringLiteral("El disco está lleno: no se pudo crear la carpeta %1. "
                                           "Se detiene el proceso.")
                                .arg(folder));
            return OutputResult::DiskFull;
        }
        log->appendLine(
            QStringLiteral("No se pudo crear la carpeta %1: %2").arg(folder, failure.reason));
        return OutputResult::Failed;
    }
    return OutputResult::Done;
}

OutputResult writePageFile(ImageBox* page, const QString& folder, const QString& fileName,
                           ProgressList* log) {
    if (page->SaveToFile(joinPath(folder, fileName)))
        return OutputResult::Done;
    if (page->lastSaveFoundDiskFull()) {
        log->appendLine(QStringLiteral("El disco está lleno: no se pudo grabar %1 en %2. Se "
                                       "detiene el proceso.")
                            .arg(fileName, folder));
        return OutputResult::DiskFull;
    }
    log->appendLine(QStringLiteral("No se pudo grabar %1: %2").arg(fileName, page->lastError()));
    return OutputResult::Failed;
}

OutputResult writeThumbnailFile(MainWindow& w, ImageBox* page, const QString& folder,
                                const QString& fileName, ProgressList* log) {
    if (!page->ResizeImage(roundToInt32(w.v.AnchoMiniatura), roundToInt32(w.v.AltoMiniatura))) {
        log->appendLine(
            QStringLiteral("No se pudo grabar %1: %2").arg(fileName, page->lastError()));
        return OutputResult::Failed;
    }
    page->setSaveFlag(true);
    return writePageFile(page, folder, fileName, log);
}
