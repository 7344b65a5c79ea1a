#include "browser/MimeTypes.h"

#include <map>

#include "platform/Fs.h"

namespace browser {

ZString mimeTypeForName(const ZString& name) {
    static const std::map<ZString, ZString> kTypes = {
        {u"bmp", u"image/bmp"}, {u"png", u"image/png"}, {u"jpg", u"image/jpeg"}, {u"jpeg", u"image/jpeg"},
        {u"gif", u"image/gif"}, {u"svg", u"image/svg+xml"}, {u"tiff", u"image/tiff"}, {u"tif", u"image/tiff"},
        {u"css", u"text/css"}, {u"js", u"text/javascript"}, {u"html", u"text/html"}, {u"htm", u"text/html"},
        {u"txt", u"text/plain"}, {u"json", u"application/json"}, {u"pdf", u"application/pdf"},
        {u"rtf", u"application/rtf"}, {u"woff", u"application/font-woff"}, {u"woff2", u"application/font-woff2"},
        {u"ttf", u"application/font-ttf"}, {u"eot", u"application/vnd.ms-fontobject"},
        {u"doc", u"application/msword"}, {u"xls", u"application/vnd.ms-excel"},
        {u"ppt", u"application/vnd.ms-powerpoint"},
        {u"docx", u"application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
        {u"xlsx", u"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
        {u"pptx", u"application/vnd.openxmlformats-officedocument.presentationml.presentation"},
        {u"odt", u"application/vnd.oasis.opendocument.text"},
        {u"odp", u"application/vnd.oasis.opendocument.presentation"},
        {u"ods", u"application/vnd.oasis.opendocument.spreadsheet"},
    };
    int dot = platform::fs::extensionDot(name);
    if (dot < 0) return u"application/octet-stream";
    auto it = kTypes.find(name.substring(dot + 1).toLower());
    return it == kTypes.end() ? ZString(u"application/octet-stream") : it->second;
}

}  // namespace browser
