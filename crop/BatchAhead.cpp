#include "crop/BatchAhead.h"

#include "image/ScanBuffers.h"

#include <QThread>

#ifdef Q_OS_LINUX
#include <sched.h>
#endif

BatchAhead::BatchAhead(QStringList paths, int workers, QList<bool> skipped)
    : paths_(std::move(paths)), skipped_(std::move(skipped)) {
    workers = std::max(1, workers);
    window_ = workers;
    // The scans in flight and the one being committed keep their buffers.
    keepRecycledBuffers(size_t(window_) + 1);
    for (int i = 0; i < workers; ++i)
        workers_.emplace_back([this] { work(); });
}

BatchAhead::~BatchAhead() {
    {
        const std::lock_guard<std::mutex> guard(lock_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
    done_.clear();
    keepRecycledBuffers(0);
}

void BatchAhead::setRecipes(RecipeFor recipeFor) {
    {
        const std::lock_guard<std::mutex> guard(lock_);
        recipeFor_ = std::move(recipeFor);
    }
    changed_.notify_all();
}

ScanAhead BatchAhead::take(int index) {
    std::unique_lock<std::mutex> guard(lock_);
    taken_ = std::max(taken_, index);
    changed_.notify_all();
    changed_.wait(guard, [&] { return done_.count(index) > 0; });
    ScanAhead scan = std::move(done_[index]);
    done_.erase(index);
    taken_ = index + 1;
    changed_.notify_all();
    return scan;
}

void BatchAhead::work() {
    for (;;) {
        std::unique_lock<std::mutex> guard(lock_);
        changed_.wait(guard, [&] {
            while (next_ < skipped_.size() && next_ < paths_.size() && skipped_[next_])
                ++next_;
            return stopping_ || next_ >= paths_.size() || next_ < taken_ + window_;
        });
        if (stopping_ || next_ >= paths_.size())
            return;
        const int index = next_++;
        guard.unlock();

        ScanAhead scan;
        scan.read = readScan(paths_[index]);
        // What the pages take is asked for after the read: the first scans of a batch are read
        // while the window's thread is still working out what the first one takes. A scan read
        // before that waits for it, so that its pages are made here, unless the window's thread
        // wants the scan first (a tab that never says, the first scan).
        RecipeFor recipeFor;
        {
            std::unique_lock<std::mutex> asked(lock_);
            if (scan.read.ok)
                changed_.wait(asked, [&] { return stopping_ || recipeFor_ || taken_ >= index; });
            recipeFor = recipeFor_;
        }
        if (scan.read.ok && recipeFor) {
            scan.recipe = recipeFor(index);
            if (scan.recipe) {
                Picture picture;
                picture.setLoaded(scan.read.image, scan.read.colorCode);
                scan.prepared = prepareScan(picture, *scan.recipe);
            }
        }

        guard.lock();
        done_[index] = std::move(scan);
        changed_.notify_all();
    }
}

int BatchAhead::workerCount() {
    bool given = false;
    const int workers = qEnvironmentVariableIntValue("PLIEGO_WORKERS", &given);
    if (given && workers > 0)
        return workers;
#ifdef Q_OS_LINUX
    cpu_set_t cores;
    if (sched_getaffinity(0, sizeof cores, &cores) == 0)
        return std::max(1, CPU_COUNT(&cores));
#endif
    return std::max(1, QThread::idealThreadCount());
}
