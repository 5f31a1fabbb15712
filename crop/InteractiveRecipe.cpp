#include "crop/InteractiveRecipe.h"

#include "crop/OutputNames.h"
#include "util/Paths.h"

QStringList InteractiveRecipe::sidesOf(int scansLater) const {
    return sidesFor(both, alternate, side, scansLater);
}

QStringList InteractiveRecipe::sidesFor(bool both, bool alternate, const QString& side,
                                        int scansLater) {
    if (both)
        return {QStringLiteral("i"), QStringLiteral("d")};
    const bool flipped = alternate && scansLater % 2 == 1;
    const bool left = (side == QLatin1String("i")) != flipped;
    return {left ? QStringLiteral("i") : QStringLiteral("d")};
}

ScanRecipe InteractiveRecipe::forScan(const QString& path, int scansLater) const {
    const PageBaseNames names = pageBaseNames(ExtraeFichero(path), twoPages);
    ScanRecipe scan{{}, follow};
    for (const QString& pageSide : sidesOf(scansLater)) {
        const bool leftSide = pageSide == QLatin1String("i");
        scan.pages.append(leftSide ? left : right);
        settings.nameFiles(scan.pages.last(), path,
                           leftSide || !twoPages ? names.left : names.right);
    }
    return scan;
}
