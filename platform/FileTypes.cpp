#include "platform/FileTypes.h"

#include <gio/gio.h>

#include "platform/GlibHandles.h"

namespace platform::shell {

bool isRegisteredFileType(const ZString& extension) {
    if (extension.length() < 2 || extension[0] != u'.') return false;
    std::string name = "file" + extension.toUtf8();
    gboolean uncertain = FALSE;
    GCharPtr type(g_content_type_guess(name.c_str(), nullptr, 0, &uncertain));
    return type && !g_content_type_is_unknown(type.get());
}

}  // namespace platform::shell
