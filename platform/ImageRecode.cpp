#include "platform/ImageRecode.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <memory>

namespace platform {

bool recodeImageFile(const std::string& path, const char* type, std::string& out) {
    std::unique_ptr<GdkPixbuf, decltype(&g_object_unref)> image(
        gdk_pixbuf_new_from_file(path.c_str(), nullptr), g_object_unref);
    if (!image) return false;
    gchar* buffer = nullptr;
    gsize size = 0;
    if (!gdk_pixbuf_save_to_buffer(image.get(), &buffer, &size, type, nullptr, nullptr)) {
        return false;
    }
    out.assign(buffer, size);
    g_free(buffer);
    return true;
}

}  // namespace platform
