#include "postfx/PageNumberStamping.h"

#include "app/ComboBox.h"
#include "app/MainWindow.h"
#include "util/Numbers.h"
#include "util/Paths.h"
#include "app/ProgressList.h"
#include "crop/OutputNames.h"
#include "app/ImageBox.h"
#include "sources/FileList.h"
#include "watermark/StampPicture.h"

#include <QDir>
#include <QFileInfo>
#include <QSlider>

#include <algorithm>

QString PageNumberStamping::labelWorkFile() {
    return joinPath(temporaryFolder(), QStringLiteral("wm_num.png"));
}

void PageNumberStamping::report(const QString& text) {
    w_.lstNumeracion->appendLine(text);
}

QString PageNumberStamping::numberedPagesFolder() const {
    return joinPath(w_.v.CarpetaActual, QStringLiteral("jpeg_big"));
}

bool PageNumberStamping::EstampaNumeros(const QString& labelPath, const QString& fileName,
                                        bool batch, bool withLabel) {
    MainWindow& w = w_;
    WorkingValues& v = w.v;
    const int colorRow = w.ColorBw->listIndex();
    const int typeRow = w.TipoGrande->listIndex();
    if (colorRow < 0 || colorRow >= OptionTables::kColorFormatRows) {
        report(QStringLiteral("Formato de color no válido: \"%1\". No se ha numerado %2")
                   .arg(w.ColorBw->text(), fileName));
        return false;
    }
    if (batch && (typeRow < 0 || typeRow >= OptionTables::kFormatRows)) {
        report(
            QStringLiteral("Tipo de las imágenes grandes no válido: \"%1\". No se ha numerado %2")
                .arg(w.TipoGrande->text(), fileName));
        return false;
    }
    const int colorCode = w.tables.colorFormats[colorRow].code;

    if (!withLabel)
        w.ImgWMNum->ClearImage();

    ImageBox* page = w.ImagenGrande;
    if (fileName.isEmpty()) {
        report(QStringLiteral("No hay ninguna página seleccionada que numerar"));
        return false;
    }
    if (!page->LoadFromFile(joinPath(w.FiletoRenum->path(), fileName))) {
        report(QStringLiteral("No se pudo leer la página %1: %2").arg(fileName, page->lastError()));
        return false;
    }
    v.AnchoPagina = page->ImageWidth();
    v.AltoPagina = page->ImageHeight();
    v.ProporcionPagina = v.AnchoPagina / v.AltoPagina;
    const int width = roundToInt32(v.AnchoPagina);
    const int height = roundToInt32(v.AltoPagina);

    ImageBox* stamped = w.ImgPlantillaNum;
    stamped->NewImage(width, height);
    stamped->setColorFormat(colorCode);
    page->CopyToClipboard();
    stamped->PasteFromClipboard();
    stamped->ResizeImage(width, height);
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
        report(QStringLiteral("No se pudo crear la carpeta %1").arg(big));
        return false;
    }
    const QString written = QuitaExtension(fileName) + w.tables.formats[typeRow].extension;
    if (!stamped->SaveToFile(joinPath(big, written))) {
        report(QStringLiteral("No se pudo grabar %1: %2").arg(written, stamped->lastError()));
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
        report(QStringLiteral("No se ha numerado %1: %2").arg(fileName, reason));
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

    const QString work = labelWorkFile();
    if (!label->SaveToFile(work))
        return fail(label->lastError());
    if (!stampPicture(w.ImgPlantillaNum, work, w.WMTransNum->value(), w.WMHPosNum->value(),
                      w.WMVPosNum->value(), &error))
        return fail(error);
    return true;
}
