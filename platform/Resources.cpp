#include "platform/Resources.h"

#include <gio/gio.h>

#include <algorithm>
#include <memory>

#include "base/CHandle.h"

namespace platform {
namespace {

using BytesPtr = CHandle<GBytes, g_bytes_unref>;

std::string lowerAscii(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return out;
}

std::string bundleName(std::string_view module) {
    std::string name = lowerAscii(module);
    for (std::string_view suffix : {".dll", ".so"}) {
        if (name.size() > suffix.size() && name.ends_with(suffix)) name.resize(name.size() - suffix.size());
    }
    return name.empty() ? std::string("program") : name;
}

}  // namespace

std::string Resources::path(std::string_view module, std::string_view name) {
    return "/varto/" + bundleName(module) + "/" + lowerAscii(name);
}

bool Resources::read(std::string_view module, std::string_view name, std::string& out) {
    if (name.empty()) return false;
    const std::string resourcePath = path(module, name);
    BytesPtr bytes(
        g_resources_lookup_data(resourcePath.c_str(), G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr));
    if (!bytes) return false;
    gsize size = 0;
    const auto* data = static_cast<const char*>(g_bytes_get_data(bytes.get(), &size));
    out.append(data ? data : "", size);
    return true;
}

bool Resources::hasModule(std::string_view module) {
    const std::string folder = "/varto/" + bundleName(module) + "/";
    gchar** children = g_resources_enumerate_children(folder.c_str(), G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr);
    const bool found = children != nullptr;
    g_strfreev(children);
    return found;
}

}  // namespace platform
