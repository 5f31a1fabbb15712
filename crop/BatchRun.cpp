#include "crop/BatchRun.h"

#include "crop/BatchAhead.h"
#include "image/ScanBuffers.h"

#include <QApplication>
#include <QListWidget>

void runBatch(const QStringList& scans, BatchSteps& steps) {
    {
        // Known before the workers start, so that they never read a scan that is skipped.
        QList<bool> skipped(scans.size());
        for (int index = 0; index < scans.size(); ++index)
            skipped[index] = steps.alreadyCut(index);
        BatchAhead ahead(scans, BatchAhead::workerCount(), skipped);
        for (int index = 0; index < scans.size(); ++index) {
            QApplication::processEvents();
            if (steps.stopped()) {
                steps.endScan(index, true);
                continue;
            }
            steps.beginScan(index);
            if (skipped[index]) {
                steps.skipScan(index);
                steps.endScan(index, false);
                continue;
            }
            ScanAhead scan = ahead.take(index);
            steps.cutScan(scan, ahead, index);
            steps.endScan(index, false);
        }
    }
    releaseRecycledBuffers();
}

QStringList entriesOf(const QListWidget& treeList) {
    QStringList entries;
    for (int row = 0; row < treeList.count(); ++row)
        entries << treeList.item(row)->text();
    return entries;
}
