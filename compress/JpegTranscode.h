#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <string_view>

// Rewrites a JPEG's entropy coding without touching its DCT coefficients, so
// every decoded pixel stays the same: Huffman tables made for this image
// (baseline), or progressive scans when asked.
class JpegTranscode {
public:
    // A set `cancelled` ends a transcode under way (it returns nothing).
    explicit JpegTranscode(bool progressive = false,
                           const std::atomic<bool>* cancelled = nullptr)
        : progressive_(progressive), cancelled_(cancelled) {}

    // The transcoded bytes, or nothing when the JPEG does not read cleanly (any
    // warning counts: a damaged image is left as it is) or cannot be written.
    // Every marker but comments is copied as it was, so readers that look at
    // JFIF or Adobe markers see the same colour space.
    std::optional<std::string> transcode(std::string_view jpeg) const;

private:
    bool progressive_;
    const std::atomic<bool>* cancelled_;
};
