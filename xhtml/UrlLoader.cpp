#include "xhtml/UrlLoader.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "base/Url.h"
#include "platform/Resources.h"

namespace xhtml {
namespace {

// Path, query and fragment of a reference without scheme or host.
struct Reference {
    ZString path;
    ZString fragment;
};

Reference splitReference(const ZString& url) {
    Reference ref;
    const std::u16string_view text = url.view();
    const size_t pathEnd = text.find_first_of(u"?&#");
    ref.path = ZString(text.substr(0, pathEnd));
    if (const size_t hash = text.find(u'#'); hash != std::u16string_view::npos)
        ref.fragment = ZString(text.substr(hash + 1));
    return ref;
}

bool readWholeFile(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

}  // namespace

ZString resolveUrl(const ZString& base, const ZString& url) {
    const ZString trimmed = url.trimmed();
    if (!Url::parse(trimmed).scheme.isEmpty()) return url;
    Url result = Url::parse(base);
    if (trimmed.startsWith(u"//")) {
        // A network-path reference names a host: only the base's scheme stays.
        Url other = Url::parse(result.scheme + u"://" + trimmed.substring(2));
        return other.toString();
    }
    const Reference ref = splitReference(trimmed);
    if (ref.path.startsWith(u"/")) {
        result.path = ref.path;
    } else if (!ref.path.isEmpty()) {
        const int slash = result.path.findLast(u'/');
        ZString folder = slash < 0 ? ZString() : result.path.substring(0, slash + 1);
        if (folder.isEmpty()) folder = u"/";
        result.path = folder + ref.path;
    }
    result.fragment = ref.fragment;
    return result.toString();
}

UrlLoader::UrlLoader(ZString base, std::string module) : base_(std::move(base)), module_(std::move(module)) {}

UrlLoader::~UrlLoader() = default;

uint32_t UrlLoader::load(const ZString& url, std::string& bytes) {
    ZString asWritten;
    try {
        asWritten = resolveUrl(base_, url);
    } catch (const std::exception&) {
        return 0;  // a bad port names nothing we can read
    }
    const ZString resolved = asWritten.toLower();
    if (resolved.startsWith(u"res://")) return loadResource(resolved, bytes);
    if (resolved.startsWith(u"file://")) {
        const uint32_t read = loadFile(resolved, bytes);
        // The URL is lower-cased; Linux names are not, so also try it as written.
        if (read == 0 && asWritten != resolved) return loadFile(asWritten, bytes);
        return read;
    }
    return 0;
}

uint32_t UrlLoader::loadResource(const ZString& resolvedLower, std::string& bytes) {
    Url parsed;
    try {
        parsed = Url::parse(resolvedLower);
    } catch (const std::exception&) {
        return kFailed;
    }
    ZString name = parsed.path;
    int start = 0;
    while (start < name.length() && name.getAt(start) == u'/') ++start;
    name = name.substring(start);
    const std::string module = parsed.host.isEmpty() ? module_ : parsed.host.toUtf8();
    const size_t before = bytes.size();
    if (!platform::Resources::read(module, name.toUtf8(), bytes)) return kFailed;
    return static_cast<uint32_t>(bytes.size() - before);
}

uint32_t UrlLoader::loadFile(const ZString& resolved, std::string& bytes) {
    ZString path = resolved;
    // Unlike a drive letter, a Linux path keeps the "/" that follows "file://".
    if (const int at = path.toLower().find(u"file://"); at >= 0) path.replace(at, at + 7, ZString());
    const size_t before = bytes.size();
    if (!readWholeFile(path.toUtf8(), bytes)) return 0;
    return static_cast<uint32_t>(bytes.size() - before);
}

bool UrlLoader::loadText(const ZString& url, ZString& text) {
    std::string bytes;
    const uint32_t result = load(url, bytes);
    if (result == 0 || result == kFailed) return false;
    text = textFromBytes(bytes);
    return true;
}

ZString UrlLoader::textFromBytes(const std::string& bytes) {
    return ZString::fromUtf8(std::string_view(bytes.c_str(), std::strlen(bytes.c_str())));
}

}  // namespace xhtml
