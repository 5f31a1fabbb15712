#pragma once

#include <QString>
#include <QStringList>

class Picture;
class RunReport;
struct PreparedPage;

// Writing finished pages, shared by both crop runs.

// What the output settings name: file extensions of pages and thumbnails, colour code.
struct OutputSettings {
    QString extension;
    QString thumbnailExtension; // empty while thumbnails are off
    int colorCode = 0;
};

// What became of writing a run's output. A full disk stops the run that meets it, since every
// later page would fail too.
enum class OutputResult { Done, Failed, DiskFull };

// Makes every folder that is missing; at the first that cannot be made, a line in `report`
// naming it and the cause.
OutputResult makeOutputFolders(const QStringList& folders, RunReport& report);

// Writes `page` as `fileName` in `folder`; a failure is a line in `report` naming the file and
// the cause (on a full disk, also that the run stops). When the page's file was made ahead
// (`ahead`), those bytes are what is written.
OutputResult writePageFile(Picture& page, const QString& folder, const QString& fileName,
                           RunReport& report, const PreparedPage* ahead = nullptr);

// Shrinks `page` itself to the thumbnail size (`width` by `height`) and writes it as `fileName`
// in `folder` (or makes `page` the thumbnail made ahead and writes its bytes).
OutputResult writeThumbnailFile(Picture& page, int width, int height, const QString& folder,
                                const QString& fileName, RunReport& report,
                                const PreparedPage* ahead = nullptr);
