#include "postfx/PageNumberStamping.h"

#include "app/ComboBox.h"
#include "app/ImageBox.h"
#include "app/MainWindow.h"
#include "app/ProgressList.h"
#include "crop/OutputNames.h"
#include "sources/FileList.h"
#include "util/Numbers.h"
#include "util/Paths.h"
#include "watermark/StampPicture.h"

#include <QDir>
#include <QFileInfo>
#include <QSlider>
#include <QTemporaryFile>

#include <algorithm>

QString PageNumberStamping::labelWorkFilePattern() {
    return joinPath(QFileInfo(temporaryFolder()).absoluteFilePath(),
                    QStringLiteral("wm_num-XXXXXX.png"));
}

void PageNumberStamping::reportFailure(const QString& text) {
    w_.lstNumeracion->appendFailure(text);
}

QString PageNumberStamping::numberedPagesFolder() const {
    return joinPath(w_.FiletoRenum->path(), QStringLiteral("jpeg_big"));
}

bool PageNumberStamping::EstampaNumeros(const QString& labelPath, const QString& fileName,
                                        bool batch, bool withLabel) {
    MainWindow& w = w_;
    WorkingValues& v = w.v;
    const int colorRow = w.ColorBw->listIndex();
    const int typeRow = w.TipoGrande->listIndex();
    if (colorRow < 0 || colorRow >= OptionTables::kColorFormatRows) {
        reportFailure(QStringLiteral("Formato de color no válido: \"%1\". No se ha numerado %2")
                          .arg(w.ColorBw->text(), fileName));
        return false;
    }
    if (batch && (typeRow < 0 || typeRow >= OptionTables::kFormatRows)) {
        reportFailure(
            QStringLiteral("Tipo de las imágenes grandes no válido: \"%1\". No se ha numerado %2")
                .arg(w.TipoGrande->text(), fileName));
        return false;
    }
    const int colorCode = w.tables.colorFormats[colorRow].code;

    if (!withLabel)
        w.ImgWMNum->ClearImage();

    ImageBox* page = w.ImagenGrande;
    if (fileName.isEmpty()) {
        reportFailure(QStringLiteral("No hay ninguna página seleccionada que numerar"));
        return false;
    }
    // The page is read from, and written beside, the folder the list shows.
    if (!page->LoadFromFile(joinPath(w.FiletoRenum->path(), fileName))) {
        reportFailure(
            QStringLiteral("No se pudo leer la página %1: %2").arg(fileName, page->lastError()));
        return false;
    }
    v.AnchoPagina = page->ImageWidth();
    v.AltoPagina = page->ImageHeight();
    v.ProporcionPagina = v.AnchoPagina / v.AltoPagina;
    const int width = roundToInt32(v.AnchoPagina);
    const int height = roundToInt32(v.AltoPagina);

    // Each step is checked: a page built on what the box held before would be the previous
    // page's picture saved under this page's name.
    ImageBox* stamped = w.ImgPlantillaNum;
    bool built = stamped->NewImage(width, height);
    if (built) {
        stamped->setColorFormat(colorCode);
        built = page->CopyToClipboard() && stamped->PasteFromClipboard() &&
                stamped->ResizeImage(width, height);
    }
    if (!built) {
        const QString error =
            stamped->lastError().isEmpty() ? page->lastError() : stamped->lastError();
        stamped->ClearImage();
        reportFailure(QStringLiteral("No se ha numerado %1: %2").arg(fileName, error));
        w.repaintChanges();
        return false;
    }
    stamped->setSaveFlag(true);
    stamped->setJpegQuality(w.UpDownQuality->value());
    stamped->setColorFormat(colorCode);

    if (withLabel && !stampLabel(labelPath, fileName)) {
        w.repaintChanges();
        return false;
    }
    w.repaintChanges();
    if (!batch)
        return false;

    const QString big = numberedPagesFolder();
    if (!QDir().mkpath(big)) {
        reportFailure(QStringLiteral("No se pudo crear la carpeta %1").arg(big));
        return false;
    }
    const QString written = QuitaExtension(fileName) + w.tables.formats[typeRow].extension;
    if (!stamped->SaveToFile(joinPath(big, written))) {
        reportFailure(
            QStringLiteral("No se pudo grabar %1: %2").arg(written, stamped->lastError()));
        return false;
    }
    return true;
}

bool PageNumberStamping::stampLabel(const QString& labelPath, const QString& fileName) {
    MainWindow& w = w_;
    const int width = roundToInt32(w.v.AnchoPagina);
    const int height = roundToInt32(w.v.AltoPagina);
    w.WMHPosNum->setMaximum(width);
    w.WMVPosNum->setMaximum(height);

    QString error;
    auto fail = [&](const QString& reason) {
        reportFailure(QStringLiteral("No se ha numerado %1: %2").arg(fileName, reason));
        return false;
    };
    ImageBox* label = w.WMGrandeNum;
    if (!loadStampPicture(label, labelPath, w.WMSizeNum->value(), &error))
        return fail(error);
    // A label larger than the page can only sit at the page's top or left edge.
    w.WMHPosNum->setMaximum(std::max(0, width - label->ImageWidth()));
    w.WMVPosNum->setMaximum(std::max(0, height - label->ImageHeight()));

    showStampPreview(label, w.ImgWMNum);
    w.ImgWMNum->ZoomTo(float(100.0 * w.ImgWMNum->height() / label->ImageHeight()));

    // A work file of its own, so that two copies of the program never stamp each other's
    // numbers; it goes once the label is on the page.
    QTemporaryFile workFile(labelWorkFilePattern());
    if (!workFile.open())
        return fail(QStringLiteral("no se pudo crear el fichero de trabajo %1: %2")
                        .arg(workFile.fileName(), workFile.errorString()));
    workFile.close();
    const QString work = workFile.fileName();
    if (!label->SaveToFile(work))
        return fail(label->lastError());
    if (!stampPicture(w.ImgPlantillaNum, work, w.WMTransNum->value(), w.WMHPosNum->value(),
                      w.WMVPosNum->value(), &error))
        return fail(error);
    return true;
}
