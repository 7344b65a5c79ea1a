#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "base/ZString.h"

struct z_stream_s;

namespace http {

// Decodes a Content-Encoding on the fly. Bytes go in as they arrive; decoded
// bytes come out through the sink. Damaged input ends the stream: feed then
// returns false and ignores anything after.
class ContentDecoder {
public:
    using Sink = std::function<void(const char* bytes, size_t count)>;

    virtual ~ContentDecoder();
    virtual bool feed(const char* bytes, size_t count, const Sink& sink) = 0;
    bool failed() const { return failed_; }

    // A decoder for "gzip" or "deflate" (names compared exactly), else null.
    static std::unique_ptr<ContentDecoder> forEncoding(const ZString& encoding);

protected:
    ContentDecoder();
    // (Re)starts inflate with the given window bits.
    bool startInflate(int windowBits);
    // Inflates as much of the input as belongs to the current stream; sets
    // `ended` at the stream's end and returns the number of bytes consumed,
    // or -1 on damaged data.
    long inflateSome(const char* bytes, size_t count, const Sink& sink, bool& ended);

    bool failed_ = false;

private:
    struct StreamFree {
        void operator()(z_stream_s* stream) const;
    };
    std::unique_ptr<z_stream_s, StreamFree> stream_;
    std::string out_;
};

// The zlib stream format ("deflate" in HTTP).
class DeflateDecoder : public ContentDecoder {
public:
    bool feed(const char* bytes, size_t count, const Sink& sink) override;

private:
    bool started_ = false;
    bool ended_ = false;
};

// gzip members: our own header reader, then raw deflate data, then the
// eight-byte trailer; a member that follows is decoded too, as gzip does.
class GzipDecoder : public ContentDecoder {
public:
    bool feed(const char* bytes, size_t count, const Sink& sink) override;

    // Length of a complete gzip header at the start of `bytes`, 0 when more
    // bytes are needed, -1 when it is no gzip header.
    static long headerLength(std::string_view bytes);

private:
    enum class State { Header, Body, Trailer, Done, Ignore };
    State state_ = State::Header;
    std::string header_;
    size_t trailerLeft_ = 8;
};

}  // namespace http
