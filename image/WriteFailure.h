#pragma once

#include <QString>

// Why a file or a folder could not be written, in the operator's words, and whether the disk was
// full: a full disk stops a batch, since every later page would fail too.
struct WriteFailure {
    QString reason; // e.g. "el disco está lleno"
    bool diskFull = false;
};

// The failure the system reported as `systemError` (an errno value; 0 when it gave none) while
// `bytesNeeded` bytes were being written into `folder`. `systemText` is the system's own
// description where it gave no error number (empty when it gave none either). A folder with less
// free space than the write needed counts as full whatever the error says, since not every system
// names that cause.
WriteFailure writeFailureOf(int systemError, const QString& folder, qint64 bytesNeeded,
                            const QString& systemText);
