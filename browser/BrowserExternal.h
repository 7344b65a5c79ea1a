#pragma once

#include <string>
#include <vector>

#include "platform/web/WebView.h"

namespace browser {

class EmbeddedBrowser;

// The functions of window.external and of its config object, in
// registration order, and their dispatch. Names match exactly.
class BrowserExternal {
public:
    static const std::vector<std::string>& functionNames();
    static const std::vector<std::string>& propertyNames();
    static platform::web::CallResult dispatch(const platform::web::Call& call, EmbeddedBrowser& browser);
};

// The process-wide list of content types that fetches return as text.
bool isTextContentType(const std::string& contentType);

}  // namespace browser
