#pragma once

#include "http/BaseRequestBuilder.h"

namespace http {

// URL-encoded pairs "key=value&...", for bodies and query strings.
class GetRequestBuilder : public KeyValueRequestBuilder {
public:
    void add(const ZString& key, const ZString& value) override;
    ZString contentType() const override;
};

}  // namespace http
