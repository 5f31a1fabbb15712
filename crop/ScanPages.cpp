#include "crop/ScanPages.h"

#include "crop/BatchAhead.h"
#include "crop/RunReport.h"

PreparedScan scanPages(const Picture& scan, const ScanRecipe& recipe, ScanAhead* ahead,
                       RunReport& report) {
    PreparedScan prepared =
        ahead && ahead->recipe == recipe ? std::move(ahead->prepared) : prepareScan(scan, recipe);
    if (prepared.followed)
        report.appendLine(followedLine(*prepared.followed));
    return prepared;
}
