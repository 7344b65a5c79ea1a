#include "compress/DeflateRecoder.h"

#include <algorithm>
#include <new>

#include <libdeflate.h>

DeflateRecoder::DeflateRecoder()
    : compressor_(libdeflate_alloc_compressor(kLevel)),
      lightCompressor_(libdeflate_alloc_compressor(kLightLevel)),
      decompressor_(libdeflate_alloc_decompressor()) {
    if (!compressor_ || !lightCompressor_ || !decompressor_) {
        libdeflate_free_compressor(compressor_);
        libdeflate_free_compressor(lightCompressor_);
        libdeflate_free_decompressor(decompressor_);
        throw std::bad_alloc();
    }
}

DeflateRecoder::~DeflateRecoder() {
    libdeflate_free_compressor(compressor_);
    libdeflate_free_compressor(lightCompressor_);
    libdeflate_free_decompressor(decompressor_);
}

std::optional<std::string> DeflateRecoder::inflate(std::string_view zlib) const {
    // The decoded size is not stored: start from a typical ratio and grow.
    size_t capacity = std::max<size_t>(zlib.size() * 4, 4096);
    std::string out;
    for (;;) {
        capacity = std::min(capacity, kMaxDecodedSize);
        out.resize(capacity);
        size_t used = 0;
        size_t produced = 0;
        libdeflate_result result = libdeflate_zlib_decompress_ex(
            decompressor_, zlib.data(), zlib.size(), out.data(), out.size(), &used, &produced);
        if (result == LIBDEFLATE_SUCCESS) {
            out.resize(produced);
            return out;
        }
        if (result != LIBDEFLATE_INSUFFICIENT_SPACE || capacity == kMaxDecodedSize)
            return std::nullopt;
        capacity *= 4;
    }
}

std::string DeflateRecoder::deflate(std::string_view data, bool light) const {
    libdeflate_compressor* compressor = light ? lightCompressor_ : compressor_;
    std::string out(libdeflate_zlib_compress_bound(compressor, data.size()), '\0');
    size_t size =
        libdeflate_zlib_compress(compressor, data.data(), data.size(), out.data(), out.size());
    out.resize(size);
    return out;
}
