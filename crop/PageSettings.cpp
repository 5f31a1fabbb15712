#include "crop/PageSettings.h"

#include "util/Paths.h"

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
