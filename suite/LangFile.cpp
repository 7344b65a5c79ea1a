#include "suite/LangFile.h"

namespace {

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

std::string unescape(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        char next = value[++i];
        if (next == 'n')
            out += '\n';
        else if (next == 't')
            out += '\t';
        else if (next == '\\')
            out += '\\';
        else
            (out += '\\') += next;
    }
    return out;
}

}  // namespace

LangFile LangFile::parse(std::string_view text, const ZString& fileName) {
    LangFile file;
    if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    bool inInfo = false;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line.front() == '#') continue;
        if (line == "[info]") {
            inInfo = true;
            continue;
        }
        if (line == "[strings]") {
            inInfo = false;
            continue;
        }
        size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        ZString key = ZString::fromUtf8(trim(line.substr(0, equals)));
        if (key.isEmpty()) continue;
        ZString value = ZString::fromUtf8(unescape(trim(line.substr(equals + 1))));
        if (!inInfo) {
            file.strings_[key] = value;
            continue;
        }
        LangInfo& info = file.info_;
        if (key == u"fileName")
            info.fileName = value;
        else if (key == u"name")
            info.name = value;
        else if (key == u"nativeName")
            info.nativeName = value;
        else if (key == u"code")
            info.code = value;
        else if (key == u"countryCode")
            info.countryCode = value;
        else if (key == u"direction")
            info.direction = value;
    }
    if (file.info_.fileName.isEmpty()) file.info_.fileName = fileName;
    if (file.info_.direction.isEmpty()) file.info_.direction = u"ltr";
    return file;
}

const ZString* LangFile::find(const ZString& key) const {
    auto it = strings_.find(key);
    return it == strings_.end() ? nullptr : &it->second;
}

bool LangFile::matches(const ZString& wanted) const {
    ZString w = wanted.trimmed();
    if (w.isEmpty()) return false;
    for (const ZString* candidate : {&info_.name, &info_.nativeName, &info_.code, &info_.fileName})
        if (!candidate->isEmpty() && w.equalsIgnoreCase(*candidate)) return true;
    // "de_DE.UTF-8", "de-AT", "de@euro": the language part before the region.
    int cut = w.length();
    for (char16_t separator : {u'_', u'-', u'.', u'@'}) {
        int at = w.find(separator);
        if (at >= 0 && at < cut) cut = at;
    }
    return cut < w.length() && !info_.code.isEmpty() &&
           w.substring(0, cut).equalsIgnoreCase(info_.code);
}
