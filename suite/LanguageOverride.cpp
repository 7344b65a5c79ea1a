#include "suite/LanguageOverride.h"

#include <cstdlib>
#include <filesystem>

#include "suite/Language.h"

LanguageOverride::LanguageOverride(const std::string& code) {
    if (code.empty()) return;
    std::string pattern = (std::filesystem::temp_directory_path() / "varto-lang-XXXXXX").string();
    if (mkdtemp(pattern.data())) {
        folder_ = pattern;
        setenv("VARTO_CONFIG_HOME", folder_.c_str(), 1);
    }
    setenv("LANG", code.c_str(), 1);
    setenv("LC_ALL", code.c_str(), 1);
    lang_reload();
}

LanguageOverride::~LanguageOverride() {
    std::error_code ignored;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
}
