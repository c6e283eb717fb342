// How far the compression of a long build has come, for a person waiting for
// it: the share of the payload's bytes compressed, on standard error, at most
// once a second. A build shorter than a second prints nothing.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>

class CompressionProgress {
public:
    // `terminal`: lines overwrite each other (carriage return); otherwise
    // each report is a line of its own, for a log that another program reads.
    CompressionProgress(FILE* stream, uint64_t totalBytes, bool terminal);
    // Counts `bytes` more compressed and reports when a second has passed
    // since the last report.
    void Add(uint64_t bytes);
    // Reports 100% when anything was reported before.
    void Finish();

private:
    void Report();

    FILE* stream_;
    uint64_t total_, done_ = 0;
    bool terminal_, reported_ = false;
    std::chrono::steady_clock::time_point last_;
};
