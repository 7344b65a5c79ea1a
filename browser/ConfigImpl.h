#pragma once

#include <string>
#include <vector>

#include "platform/web/WebView.h"

namespace browser {

// The page's config object: typed reads and writes of the user's own
// settings (user.ini), which the program's configuration never reads.
// Getters take (key[, default]); setters take exactly (key, value).
class ConfigImpl {
public:
    static const std::vector<std::string>& functionNames();
    static platform::web::CallResult call(const std::string& name, const std::vector<platform::web::Value>& args);
};

}  // namespace browser
