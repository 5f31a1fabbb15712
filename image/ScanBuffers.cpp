#include "image/ScanBuffers.h"

#include <cstdlib>
#include <mutex>
#include <vector>

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#endif

namespace {

struct Buffer {
    void* data;
    size_t size;
};

// A scan being cut, the one being read and one left over are all a batch needs on one core;
// a batch with workers keeps one more for each scan in flight.
constexpr size_t kDefaultKeptBuffers = 3;
size_t keptBuffers = kDefaultKeptBuffers; // under poolLock()

// Both live as long as the process: a picture may give its buffer back while the program's
// statics are being torn down.
std::mutex& poolLock() {
    static auto* lock = new std::mutex;
    return *lock;
}

std::vector<Buffer>& pool() {
    static auto* buffers = new std::vector<Buffer>;
    return *buffers;
}

void giveBack(void* info) {
    auto* buffer = static_cast<Buffer*>(info);
    {
        const std::lock_guard<std::mutex> lock(poolLock());
        if (pool().size() < keptBuffers) {
            pool().push_back(*buffer);
            delete buffer;
            return;
        }
    }
    std::free(buffer->data);
    delete buffer;
}

// A scan's memory, in huge pages where the system gives them on request: a 70-megabyte scan
// faults its memory in as 35 pages instead of 17,000, the first time a batch fills it.
void* allocateScanMemory(size_t size) {
#ifdef Q_OS_LINUX
    constexpr size_t kHugePage = size_t(2) << 20;
    if (size >= kHugePage) {
        void* data = std::aligned_alloc(kHugePage, (size + kHugePage - 1) / kHugePage * kHugePage);
        if (data)
            madvise(data, size, MADV_HUGEPAGE);
        return data;
    }
#endif
    return std::malloc(size);
}

Buffer takeBuffer(size_t size) {
    {
        const std::lock_guard<std::mutex> lock(poolLock());
        std::vector<Buffer>& buffers = pool();
        for (size_t i = 0; i < buffers.size(); ++i) {
            if (buffers[i].size == size) {
                const Buffer found = buffers[i];
                buffers.erase(buffers.begin() + static_cast<std::ptrdiff_t>(i));
                return found;
            }
        }
    }
    return {allocateScanMemory(size), size};
}

} // namespace

QImage makeRecycledImage(int width, int height) {
    if (width <= 0 || height <= 0)
        return {};
    const qsizetype bytesPerLine = qsizetype(width) * 4;
    const size_t size = size_t(bytesPerLine) * size_t(height);
    const Buffer buffer = takeBuffer(size);
    if (!buffer.data)
        return {};
    auto* owner = new Buffer(buffer);
    return QImage(static_cast<uchar*>(buffer.data), width, height, bytesPerLine,
                  QImage::Format_RGB32, giveBack, owner);
}

void releaseRecycledBuffers() {
    std::vector<Buffer> spare;
    {
        const std::lock_guard<std::mutex> lock(poolLock());
        spare.swap(pool());
    }
    for (const Buffer& buffer : spare)
        std::free(buffer.data);
}

void keepRecycledBuffers(size_t count) {
    const std::lock_guard<std::mutex> lock(poolLock());
    keptBuffers = count > 0 ? count : kDefaultKeptBuffers;
}
