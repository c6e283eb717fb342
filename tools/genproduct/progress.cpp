#include "progress.h"

CompressionProgress::CompressionProgress(FILE* stream, uint64_t totalBytes, bool terminal)
    : stream_(stream), total_(totalBytes), terminal_(terminal), last_(std::chrono::steady_clock::now()) {}

void CompressionProgress::Add(uint64_t bytes) {
    done_ += bytes;
    auto now = std::chrono::steady_clock::now();
    if (now - last_ < std::chrono::seconds(1)) return;
    last_ = now;
    Report();
}

void CompressionProgress::Finish() {
    if (!reported_) return;
    done_ = total_;
    Report();
    if (terminal_) std::fputc('\n', stream_);
    std::fflush(stream_);
}

void CompressionProgress::Report() {
    unsigned percent = total_ == 0 ? 100u : static_cast<unsigned>(done_ * 100 / total_);
    const uint64_t kMiB = 1024 * 1024;
    auto mebibytes = [&](uint64_t bytes) { return static_cast<unsigned long long>((bytes + kMiB / 2) / kMiB); };
    std::fprintf(stream_, "%sgenproduct: compressed %u%% of the payload (%llu of %llu MiB)%s", terminal_ ? "\r" : "",
                 percent, mebibytes(done_), mebibytes(total_), terminal_ ? "" : "\n");
    std::fflush(stream_);
    reported_ = true;
}
