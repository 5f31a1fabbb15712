#pragma once

#include "crop/PageOutput.h"

#include <QByteArray>
#include <QList>
#include <QString>

class CutRecord;
class PageFiles;
class Picture;
class RunReport;
struct PreparedPage;

// A page of a scan of the automatic tab to be written: the page as cut (null when none came of
// the cut), its base name and what was made of it ahead.
struct ScanPageOut {
    Picture* page = nullptr;
    QString base;
    const PreparedPage* prepared = nullptr;
};

// Writes the pages of the scan `scanFile` of `scanFolder` through `files`: every page, then every
// thumbnail. The scan is recorded in `record` as cut with `settings` only when every page of it
// came out whole (`whole`: as far as the cut went) and was written; the pages go out even when the
// record cannot be kept. DiskFull: the disk had no room, and the run takes no further scan.
OutputResult writeAutomaticScan(const QString& scanFolder, const QString& scanFile,
                                const QList<ScanPageOut>& pages, bool whole, PageFiles& files,
                                CutRecord& record, const QByteArray& settings, RunReport& report);
