#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

struct libdeflate_compressor;
struct libdeflate_decompressor;

// Zlib streams through libdeflate: decoded only when they decode completely
// (checksum included), encoded at kLevel or kLightLevel. One per thread.
class DeflateRecoder {
public:
    DeflateRecoder();
    ~DeflateRecoder();
    DeflateRecoder(const DeflateRecoder&) = delete;
    DeflateRecoder& operator=(const DeflateRecoder&) = delete;

    // Decoded streams larger than this are not decoded at all: a few bytes
    // can claim gigabytes.
    static constexpr size_t kMaxDecodedSize = size_t(512) << 20;

    // The first of libdeflate's near-optimal levels: the strongest (12)
    // takes about three times as long on the corpus for about 15 % more of
    // the gain, more than the step's share of a run allows.
    static constexpr int kLevel = 10;
    // For the bulk of the Deflate data (page content, images): about a
    // third of level 10's gain in a third of the time.
    static constexpr int kLightLevel = 9;

    // The decoded bytes, or nothing when the data is damaged or too large.
    // Bytes after the end of the zlib stream are ignored, as readers do.
    std::optional<std::string> inflate(std::string_view zlib) const;

    // The data as a zlib stream at kLevel, or at kLightLevel when light.
    std::string deflate(std::string_view data, bool light = false) const;

private:
    libdeflate_compressor* compressor_;
    libdeflate_compressor* lightCompressor_;
    libdeflate_decompressor* decompressor_;
};
