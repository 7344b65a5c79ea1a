#pragma once

#include <string>

// Chooses the language of a developer tool's run without reading the user's
// configured one: an empty configuration folder of its own, and the locale
// variables set to the code (LC_ALL included, which wins over LANG).
// Nothing happens for an empty code.
class LanguageOverride {
public:
    explicit LanguageOverride(const std::string& code);
    ~LanguageOverride();
    LanguageOverride(const LanguageOverride&) = delete;
    LanguageOverride& operator=(const LanguageOverride&) = delete;

private:
    std::string folder_;
};
