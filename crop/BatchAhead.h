#pragma once

#include "crop/PagePipeline.h"
#include "image/ScanRead.h"

#include <QDateTime>
#include <QImage>
#include <QStringList>

#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// What a batch worker has done ahead for one scan: read it and, once the run has said what its
// pages take, made them and encoded their files. Nothing of it reaches the window or the disk
// until the window's thread commits the scan in its turn.
struct ScanAhead {
    // The scan as it was read, for its load; a changed file is read again.
    ScanRead read;
    std::optional<ScanRecipe> recipe;
    PreparedScan prepared;
};

// Reads and makes the scans of a batch ahead on worker threads, as many as the process has
// cores, while the window's thread takes them one by one in list order. Memory stays bounded:
// at most one scan per worker is read but not yet taken. Work done ahead for scans
// that are never taken (after a stop) is dropped.
class BatchAhead {
public:
    using RecipeFor = std::function<std::optional<ScanRecipe>(int index)>;

    // Scans whose `skipped` flag is set are never read, and never taken.
    BatchAhead(QStringList paths, int workers, QList<bool> skipped = {});
    ~BatchAhead();
    BatchAhead(const BatchAhead&) = delete;
    BatchAhead& operator=(const BatchAhead&) = delete;

    // From now on, scans not yet started are made for what `recipeFor` gives for their index
    // (it runs on the workers, so it must only use what it holds); until then they are only
    // read.
    void setRecipes(RecipeFor recipeFor);
    // Waits for scan `index` of the list; each is taken once, in increasing order.
    ScanAhead take(int index);
    const QString& path(int index) const { return paths_[index]; }

    // How many workers a batch runs: the cores this process may use, or PLIEGO_WORKERS.
    static int workerCount();

private:
    void work();

    const QStringList paths_;
    const QList<bool> skipped_;
    std::mutex lock_;
    std::condition_variable changed_;
    RecipeFor recipeFor_;
    std::map<int, ScanAhead> done_;
    int next_ = 0;
    int taken_ = 0;
    int window_ = 1;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};
