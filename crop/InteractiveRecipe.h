#pragma once

#include "crop/TabRecipe.h"

#include <QString>
#include <QStringList>

// What the pages of a scan of the interactive tab take; in a batch the names change from one scan
// to the next, and alternating pages change the side.
struct InteractiveRecipe : TabRecipe {
    bool both = false; // a two-page scan cut for writing: left page, then right page
    bool alternate = false;
    QString side;

    QStringList sidesOf(int scansLater) const;
    // The sides cut from a scan `scansLater` scans after one cut from `side`: both of a spread
    // cut for writing, else one side, turning with every scan when alternating.
    static QStringList sidesFor(bool both, bool alternate, const QString& side, int scansLater);
    // The pages of the scan at `path`, `scansLater` scans after the one this recipe was built
    // for, their files named after it.
    ScanRecipe forScan(const QString& path, int scansLater) const;
};
