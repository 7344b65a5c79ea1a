#include "http/FormDataRequestBuilder.h"

#include "base/RandomString.h"

namespace http {

FormDataRequestBuilder::FormDataRequestBuilder() : boundary_(ZString(u"------BOUNDARY-") + randomString(16)) {}

void FormDataRequestBuilder::add(const ZString& key, const ZString& value) {
    const std::string separator = lineSeparator_.toUtf8();
    body_ += "--" + boundary_.toUtf8() + separator;
    body_ += "Content-Disposition: form-data; name=\"";
    for (char16_t c : key.view()) body_ += static_cast<char>(c & 0xff);
    body_ += "\"" + separator;
    body_ += "Content-Type: text/plain; charset=" + charset_.toUtf8() + separator + separator;
    body_ += encode(value) + separator;
}

void FormDataRequestBuilder::finish() {
    if (finished_) return;
    body_ += "--" + boundary_.toUtf8() + "--" + lineSeparator_.toUtf8();
    finished_ = true;
}

ZString FormDataRequestBuilder::contentType() const {
    return ZString::format(u"multipart/form-data; boundary=\"%s\"", boundary_.c_str());
}

}  // namespace http
