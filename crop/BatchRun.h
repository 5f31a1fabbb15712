#pragma once

#include <QStringList>

class BatchAhead;
class QListWidget;
struct ScanAhead;

// What a crop tab does with each scan of a batch that runBatch drives.
class BatchSteps {
public:
    virtual ~BatchSteps() = default;
    // True once the batch must cut no further scan: a stop was asked for, or the disk is full.
    virtual bool stopped() const = 0;
    // Scan `index` of the batch becomes the current one.
    virtual void beginScan(int index) = 0;
    // Brings the scan into the window from what was read ahead, then cuts and writes it; `batch`
    // learns from the cut what the next scans take.
    virtual void cutScan(ScanAhead& scan, BatchAhead& batch, int index) = 0;
    // After scan `index`: cut or skipped as already cut, or passed over after a stop
    // (`passedOver`).
    virtual void endScan(int index, bool passedOver) = 0;
    // True when scan `index` was cut by an earlier run as this one would cut it, so that it is
    // neither read nor cut again. Asked for every scan before the batch starts.
    virtual bool alreadyCut(int) { return false; }
    // Scan `index`, already cut, is skipped (after beginScan, instead of cutScan).
    virtual void skipScan(int) {}
};

// Runs a batch over `scans` (full paths, in list order): workers read and cut the next scans
// ahead while this thread takes each in its turn, lets the window take pending clicks (a stop),
// and has `steps` commit it. A scan after a stop is never cut nor written; a scan already cut is
// not even read. The buffers the batch recycled are let go at its end.
void runBatch(const QStringList& scans, BatchSteps& steps);

// The scans a folder-tree list holds, one full path a row.
QStringList entriesOf(const QListWidget& treeList);
