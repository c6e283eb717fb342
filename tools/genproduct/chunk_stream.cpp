#include "chunk_stream.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

#include <unistd.h>

#include "piece_compressor.h"
#include "regular_file.h"
#include "product/product_data.h"

namespace {

// One piece in flight. The reading thread fills it, one worker compresses it,
// the reading thread hands it on and refills it: a slot is never touched by
// two threads at once, and `done` (guarded by the mutex) passes it back.
struct Slot {
    std::vector<unsigned char> raw;
    std::vector<unsigned char> packed;
    size_t rawSize = 0;
    size_t packedSize = 0;
    size_t file = 0;
    bool done = false;
};

using FileHandle = std::unique_ptr<FILE, int (*)(FILE*)>;

class Pipeline {
public:
    Pipeline(unsigned threads, size_t window) : slots_(window) {
        for (Slot& slot : slots_) slot.raw.resize(kChunkRawBytes);
        for (unsigned i = 0; i < threads; ++i) workers_.emplace_back([this] { Work(); });
    }

    ~Pipeline() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        work_.notify_all();
        for (std::thread& worker : workers_) worker.join();
    }

    // Reading and handing on happen on the calling thread, so files are read
    // one after the other and the sink sees the chunks in order.
    bool Run(const std::vector<std::string>& paths, const ChunkSink& sink, ChunkStreamFailure& failure) {
        const size_t window = slots_.size();
        size_t file = 0;
        FileHandle current(nullptr, &std::fclose);
        bool inputDone = false;
        uint64_t handedOn = 0;

        // 1 when `slot` holds the next piece, 0 after the last one, -1 on a read error.
        auto readPiece = [&](Slot& slot) {
            for (; file < paths.size(); ++file) {
                if (!current) {
                    std::string why;
                    int fd = OpenRegularFile(paths[file], "source file", why);
                    if (fd >= 0) current.reset(fdopen(fd, "rb"));
                    if (!current) {
                        if (fd >= 0) close(fd);
                        failure = {file, why};
                        return -1;
                    }
                }
                size_t got = std::fread(slot.raw.data(), 1, kChunkRawBytes, current.get());
                if (got < kChunkRawBytes && std::ferror(current.get())) {
                    failure = {file, "error while reading source file \"" + paths[file] + "\""};
                    return -1;
                }
                if (got == kChunkRawBytes) {
                    slot.rawSize = got;
                    slot.file = file;
                    return 1;
                }
                current.reset();
                if (got > 0) {
                    slot.rawSize = got;
                    slot.file = file++;
                    return 1;
                }
            }
            return 0;
        };

        for (;;) {
            while (!inputDone && filled_ - handedOn < window) {
                int read = readPiece(slots_[filled_ % window]);
                if (read < 0) return false;
                if (read == 0) {
                    inputDone = true;
                    break;
                }
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    ++filled_;
                }
                work_.notify_one();
            }
            if (handedOn == filled_) return true;

            Slot& slot = slots_[handedOn % window];
            {
                std::unique_lock<std::mutex> lock(mutex_);
                finished_.wait(lock, [&] { return slot.done; });
                slot.done = false;
            }
            if (slot.packedSize == 0) {
                failure = {slot.file, "could not compress a piece of \"" + paths[slot.file] + "\""};
                return false;
            }
            if (!sink(slot.file, slot.packed.data(), slot.packedSize, slot.rawSize, failure.error)) {
                failure.file = ChunkStreamFailure::kNoFile;
                return false;
            }
            ++handedOn;
        }
    }

private:
    void Work() {
        PieceCompressor compressor;
        for (;;) {
            uint64_t sequence;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                work_.wait(lock, [&] { return stop_ || claimed_ < filled_; });
                if (stop_) return;
                sequence = claimed_++;
            }
            Slot& slot = slots_[sequence % slots_.size()];
            slot.packedSize = 0;
            if (compressor.ok()) {
                size_t bound = compressor.Bound(slot.rawSize);
                if (slot.packed.size() < bound) slot.packed.resize(bound);
                slot.packedSize = compressor.Compress(slot.raw.data(), slot.rawSize, slot.packed.data(), bound);
            }
            {
                std::lock_guard<std::mutex> lock(mutex_);
                slot.done = true;
            }
            finished_.notify_one();
        }
    }

    std::vector<Slot> slots_;
    std::vector<std::thread> workers_;
    std::mutex mutex_;
    std::condition_variable work_;      // a piece is waiting, or stop
    std::condition_variable finished_;  // a piece is compressed
    uint64_t filled_ = 0;               // pieces read so far
    uint64_t claimed_ = 0;              // pieces taken by a worker so far
    bool stop_ = false;
};

}  // namespace

bool StreamChunks(const std::vector<std::string>& paths, const ChunkSink& sink, ChunkStreamFailure& failure,
                  unsigned threads, size_t window) {
    if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
    // Enough pieces in flight that no worker waits for the reading thread.
    if (window == 0) window = 4 * threads;
    Pipeline pipeline(threads, window);
    return pipeline.Run(paths, sink, failure);
}
