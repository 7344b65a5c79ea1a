#include "http/ContentDecoder.h"

#include <zlib.h>

#include <cstring>

namespace http {
namespace {

constexpr size_t kOutChunk = 64 * 1024;
// A header longer than this (a huge name or comment) is taken as damage.
constexpr size_t kMaxHeader = 64 * 1024;

enum GzipFlag : unsigned { FHCRC = 2, FEXTRA = 4, FNAME = 8, FCOMMENT = 16 };

}  // namespace

void ContentDecoder::StreamFree::operator()(z_stream_s* stream) const {
    inflateEnd(stream);
    delete stream;
}

ContentDecoder::ContentDecoder() = default;
ContentDecoder::~ContentDecoder() = default;

std::unique_ptr<ContentDecoder> ContentDecoder::forEncoding(const ZString& encoding) {
    if (encoding == u"gzip") return std::make_unique<GzipDecoder>();
    if (encoding == u"deflate") return std::make_unique<DeflateDecoder>();
    return nullptr;
}

bool ContentDecoder::startInflate(int windowBits) {
    stream_.reset();
    auto stream = new z_stream{};
    if (inflateInit2(stream, windowBits) != Z_OK) {
        delete stream;
        return false;
    }
    stream_.reset(stream);
    out_.resize(kOutChunk);
    return true;
}

long ContentDecoder::inflateSome(const char* bytes, size_t count, const Sink& sink, bool& ended) {
    z_stream* zs = stream_.get();
    zs->next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes));
    zs->avail_in = static_cast<uInt>(count);
    ended = false;
    while (true) {
        zs->next_out = reinterpret_cast<Bytef*>(out_.data());
        zs->avail_out = static_cast<uInt>(out_.size());
        const int rc = inflate(zs, Z_NO_FLUSH);
        const size_t produced = out_.size() - zs->avail_out;
        if (produced) sink(out_.data(), produced);
        if (rc == Z_STREAM_END) {
            ended = true;
            break;
        }
        if (rc != Z_OK && rc != Z_BUF_ERROR) return -1;
        // Done with this input when inflate neither wants more room nor has
        // input left.
        if (zs->avail_in == 0 && zs->avail_out != 0) break;
        if (rc == Z_BUF_ERROR && produced == 0) break;
    }
    return static_cast<long>(count - zs->avail_in);
}

bool DeflateDecoder::feed(const char* bytes, size_t count, const Sink& sink) {
    if (failed_) return false;
    if (ended_) return true;
    if (!started_) {
        started_ = true;
        if (!startInflate(MAX_WBITS)) return !(failed_ = true);
    }
    if (inflateSome(bytes, count, sink, ended_) < 0) failed_ = true;
    return !failed_;
}

long GzipDecoder::headerLength(std::string_view h) {
    if (h.size() >= 1 && static_cast<unsigned char>(h[0]) != 0x1f) return -1;
    if (h.size() >= 2 && static_cast<unsigned char>(h[1]) != 0x8b) return -1;
    if (h.size() >= 3 && h[2] != 8) return -1;
    if (h.size() < 10) return 0;
    const unsigned flags = static_cast<unsigned char>(h[3]);
    if (flags & 0xe0) return -1;  // reserved bits
    size_t pos = 10;
    if (flags & FEXTRA) {
        if (h.size() < pos + 2) return 0;
        const size_t extra = static_cast<unsigned char>(h[pos]) | (static_cast<unsigned char>(h[pos + 1]) << 8);
        pos += 2 + extra;
    }
    for (unsigned zeroEnded : {unsigned(FNAME), unsigned(FCOMMENT)}) {
        if (!(flags & zeroEnded)) continue;
        if (pos >= h.size()) return 0;
        const size_t zero = h.find('\0', pos);
        if (zero == std::string_view::npos) return 0;
        pos = zero + 1;
    }
    if (flags & FHCRC) pos += 2;
    return h.size() < pos ? 0 : static_cast<long>(pos);
}

bool GzipDecoder::feed(const char* bytes, size_t count, const Sink& sink) {
    while (count > 0 && !failed_) {
        switch (state_) {
            case State::Header: {
                const size_t before = header_.size();
                const size_t take = std::min(count, kMaxHeader + 1 - before);
                header_.append(bytes, take);
                const long length = headerLength(header_);
                if (length < 0 || (length == 0 && header_.size() > kMaxHeader)) {
                    failed_ = true;
                    break;
                }
                if (length == 0) {
                    bytes += take;
                    count -= take;
                    break;
                }
                const size_t used = static_cast<size_t>(length) - before;
                bytes += used;
                count -= used;
                header_.clear();
                if (!startInflate(-MAX_WBITS)) {
                    failed_ = true;
                    break;
                }
                state_ = State::Body;
                break;
            }
            case State::Body: {
                bool ended = false;
                const long used = inflateSome(bytes, count, sink, ended);
                if (used < 0) {
                    failed_ = true;
                    break;
                }
                bytes += used;
                count -= static_cast<size_t>(used);
                if (ended) {
                    state_ = State::Trailer;
                    trailerLeft_ = 8;
                }
                break;
            }
            case State::Trailer: {
                const size_t skip = std::min(count, trailerLeft_);
                bytes += skip;
                count -= skip;
                trailerLeft_ -= skip;
                if (trailerLeft_ == 0) state_ = State::Done;
                break;
            }
            case State::Done:
                // Another member only when it starts like one; other trailing
                // bytes are ignored, as gzip itself does.
                state_ = static_cast<unsigned char>(bytes[0]) == 0x1f ? State::Header : State::Ignore;
                break;
            case State::Ignore:
                return true;
        }
    }
    return !failed_;
}

}  // namespace http
