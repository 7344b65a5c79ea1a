#pragma once

#include <cstdint>
#include <string>

#include "base/Props.h"
#include "base/ZString.h"

namespace http {

// A request body built in memory, in a character set.
class BaseRequestBuilder {
public:
    virtual ~BaseRequestBuilder() = default;

    virtual void finish() { finished_ = true; }
    virtual void setCharset(const ZString& name) { charset_ = name; }
    virtual const std::string& body() const { return body_; }
    virtual ZString contentType() const { return contentType_; }
    virtual ZString charset() const { return charset_; }
    virtual int64_t bodySize() const { return static_cast<int64_t>(body_.size()); }

protected:
    // The text in the builder's character set (UTF-8 when it is unknown).
    std::string encode(const ZString& text) const;

    ZString charset_ = u"UTF-8";
    ZString contentType_;
    ZString lineSeparator_ = u"\r\n";
    bool finished_ = false;
    std::string body_;
};

// Builders fed with key/value pairs.
class KeyValueRequestBuilder : public BaseRequestBuilder {
public:
    virtual void add(const ZString& key, const ZString& value) = 0;
    // `add` for every entry, in key order.
    virtual void addAll(const Props& values);
};

}  // namespace http
