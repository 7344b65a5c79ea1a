#pragma once

#include "http/BaseRequestBuilder.h"

namespace http {

// multipart/form-data with a random boundary; every part is text.
class FormDataRequestBuilder : public KeyValueRequestBuilder {
public:
    FormDataRequestBuilder();

    void add(const ZString& key, const ZString& value) override;
    void finish() override;
    ZString contentType() const override;

    const ZString& boundary() const { return boundary_; }

private:
    ZString boundary_;
    ZString defaultPartContentType_ = u"application/octet-stream";
};

}  // namespace http
