#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/Props.h"

class QPDFObjectHandle;

// Exact re-encoding, the last part of the lossless step: every stream in the
// smallest encoding whose decoded bytes (for images: pixels) are the same.
// JPEG images get Huffman tables made for them, Flate streams libdeflate's
// near-optimal parsing, LZW, RunLength, ASCII and unfiltered streams become
// Flate; a stream is replaced only when that is smaller. Streams with other
// filters, and streams that do not decode cleanly, stay as they are.
class StreamReencoder {
public:
    // On unless "compress.reencode" is false in the configuration or the
    // settings record says "reencode" = "false" (the batch command's
    // --no-reencode).
    static bool enabled(const Props& settings);

    // Progressive JPEG output: "compress.progressiveJpeg", off by default.
    static bool progressiveJpeg();

    // How much processor time (seconds, all threads) a file of this size may
    // spend re-encoding; streams not started by then, and streams whose
    // decoded data would need more than is left, stay as they are.
    static double timeLimitFor(uint64_t fileBytes);

    // Held while a file is being compressed, so that re-encoding knows how
    // many cores the other files of a batch keep busy.
    struct BusyFile {
        BusyFile();
        ~BusyFile();
        BusyFile(const BusyFile&) = delete;
        BusyFile& operator=(const BusyFile&) = delete;
    };

    // Threads for one file's re-encoding while `busy` files (this one
    // included) are being compressed: the cores the others leave, at least one.
    static unsigned threadsFor(unsigned cores, unsigned busy);

    // A set `cancelled` stops the work between streams and inside a JPEG;
    // run() then changes nothing.
    StreamReencoder(const std::vector<QPDFObjectHandle>& objects, double secondsLimit,
                    bool progressive, const std::atomic<bool>* cancelled = nullptr);
    ~StreamReencoder();

    // Re-encodes and replaces the streams' data in the document; returns the
    // log line ("Re-encoding: ..."), or "Re-encoding cancelled" with the
    // document as it was.
    std::string run();

    // How many streams were replaced by run().
    size_t reencoded() const { return reencoded_; }

    enum class Kind { Jpeg, Flate, Other };

    struct Totals {
        size_t streams = 0;   // streams of the kind looked at
        size_t smaller = 0;   // of them replaced
        uint64_t before = 0;  // encoded bytes of all of them before
        uint64_t after = 0;   // and after
    };
    const Totals& totals(Kind kind) const { return totals_[static_cast<int>(kind)]; }

private:
    struct Job;

    void collect();
    void encodeAll();
    void apply();
    bool stopped() const { return cancelled_ && cancelled_->load(); }

    const std::vector<QPDFObjectHandle>& objects_;
    double secondsLimit_;
    bool progressive_;
    const std::atomic<bool>* cancelled_;
    std::vector<Job> jobs_;
    Totals totals_[3];
    size_t reencoded_ = 0;
    size_t notStarted_ = 0;
    unsigned threads_ = 0;
    double cpuSeconds_ = 0;
};
