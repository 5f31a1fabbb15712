#include "crop/PageSettings.h"

#include "app/MainWindow.h"
#include "util/Numbers.h"
#include "util/Paths.h"
#include "crop/PageOutput.h"

#include <QCheckBox>
#include <QSlider>

PageSettings pageSettingsFromWindow(MainWindow& w, const OutputSettings& settings, bool Graba,
                                    int top, double bottom) {
    const WorkingValues& v = w.v;
    PageSettings s;
    s.largeSuffix = w.HacerMini->isChecked() ? QStringLiteral("A") : QString();
    s.extension = settings.extension;
    s.thumbnailExtension = settings.thumbnailExtension;
    s.encode = Graba && !w.CheckMagik->isChecked();
    const QString tiff = QStringLiteral(".tif");
    s.compress = (settings.extension == tiff || settings.thumbnailExtension == tiff) &&
                 w.Compresion->isChecked();

    PageRecipe& page = s.page;
    page.top = top;
    page.bottom = bottom;
    page.pageWidth = v.AnchoPagina;
    page.pageHeight = v.AltoPagina;
    page.distort = w.PermiteDistorsion->isChecked();
    page.colorCode = settings.colorCode;
    page.jpegQuality = w.UpDownQuality->value();
    if (w.WMActivo->isChecked())
        page.watermark = watermarkFromWindow(w);
    page.thumbnailWidth = roundToInt32(v.AnchoMiniatura);
    page.thumbnailHeight = roundToInt32(v.AltoMiniatura);
    return s;
}

PageRecipe PageSettings::forSide(double left, double width, int tiffCompressionNow) const {
    PageRecipe side = page;
    side.left = left;
    side.width = width;
    side.tiffCompression = compress ? 2 : tiffCompressionNow;
    return side;
}

void PageSettings::nameFiles(PageRecipe& named, const QString& scanPath,
                             const QString& base) const {
    if (!encode)
        return;
    const QString folder = ExtraeCarpeta(scanPath);
    named.largeName =
        joinPath(joinPath(folder, QStringLiteral("jpeg_big")), base + largeSuffix + extension);
    if (!thumbnailExtension.isEmpty())
        named.thumbnailName = joinPath(joinPath(folder, QStringLiteral("jpeg_small")),
                                       base + QStringLiteral("B") + thumbnailExtension);
}
