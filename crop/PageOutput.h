#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class ImageBox;
class MainWindow;
class ProgressList;
struct PreparedPage;

// Writing finished pages, shared by both crop runs.

// What the output settings name: file extensions of pages and thumbnails, colour code.
struct OutputSettings {
    QString extension;
    QString thumbnailExtension; // empty while thumbnails are off
    int colorCode = 0;
};

// The output settings, checked before anything is cut; nothing (after a line in `log` naming the
// setting) when one of them names no row of its list.
std::optional<OutputSettings> readOutputSettings(MainWindow& window, ProgressList* log);

// What became of writing a run's output. A full disk stops the run that meets it, since every
// later page would fail too.
enum class OutputResult { Done, Failed, DiskFull };

// Makes every folder that is missing; at the first that cannot be made, a line in `log` naming
// it and the cause.
OutputResult makeOutputFolders(const QStringList& folders, ProgressList* log);

// Writes `page` as `fileName` in `folder`; a failure is a line in `log` naming the file and the
// cause (on a full disk, also that the run stops). When the page's file was made ahead (`ahead`),
// those bytes are what is written.
OutputResult writePageFile(ImageBox* page, const QString& folder, const QString& fileName,
                           ProgressList* log, const PreparedPage* ahead = nullptr);

// Shrinks `page` itself to the thumbnail size and writes it as `fileName` in `folder` (or puts
// the thumbnail made ahead into the box and writes its bytes).
OutputResult writeThumbnailFile(MainWindow& window, ImageBox* page, const QString& folder,
                                const QString& fileName, ProgressList* log,
                                const PreparedPage* ahead = nullptr);
