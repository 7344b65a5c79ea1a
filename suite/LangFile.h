#pragma once

#include <map>
#include <string_view>

#include "base/ZString.h"
#include "suite/Language.h"

// One language file: UTF-8 lines of key=value. Lines in the "[info]" block
// describe the language (fileName, name, nativeName, code, countryCode,
// direction); lines after "[strings]" are the texts. Empty lines and lines
// starting with "#" are skipped; "\n", "\t" and "\\" in values are escapes.
class LangFile {
public:
    // Parses text; fileName fills info.fileName when the block leaves it out.
    static LangFile parse(std::string_view text, const ZString& fileName);

    const LangInfo& info() const { return info_; }
    const std::map<ZString, ZString>& strings() const { return strings_; }
    const ZString* find(const ZString& key) const;

    // True when the name, native name, code or file name matches (ignoring
    // ASCII case), or when a "de_DE"/"de-DE" form starts with the code.
    bool matches(const ZString& wanted) const;

private:
    LangInfo info_;
    std::map<ZString, ZString> strings_;
};
