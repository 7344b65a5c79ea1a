#include "http/GetRequestBuilder.h"

#include "base/UrlEscape.h"

namespace http {

void GetRequestBuilder::add(const ZString& key, const ZString& value) {
    if (!body_.empty()) body_ += '&';
    body_ += escapeComponent(encode(key)).toUtf8();
    body_ += '=';
    body_ += escapeComponent(encode(value)).toUtf8();
}

ZString GetRequestBuilder::contentType() const {
    return ZString::format(u"application/x-www-form-urlencoded; charset=\"%s\"", charset_.c_str());
}

}  // namespace http
