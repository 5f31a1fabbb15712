#include "crop/AutomaticRecipe.h"

#include "crop/OutputNames.h"
#include "util/Paths.h"

ScanRecipe AutomaticRecipe::forScan(const QString& path) const {
    const PageBaseNames names = pageBaseNames(ExtraeFichero(path), twoPages);
    ScanRecipe scan{{left}, follow};
    settings.nameFiles(scan.pages[0], path, names.left);
    if (twoPages) {
        scan.pages.append(right);
        settings.nameFiles(scan.pages[1], path, names.right);
    }
    return scan;
}
