#include "compress/SaveNames.h"

#include "base/CLocale.h"
#include "platform/Clock.h"
#include "platform/FileTypes.h"
#include "platform/Fs.h"

using platform::fs::extensionDot;

ZString makeSaveName(const ZString& displayName, const ZString& suffix) {
    ZString name = displayName;
    int dot = extensionDot(name);
    if (dot >= 0) {
        ZString extension = name.substring(dot).toLower();
        if (platform::shell::isRegisteredFileType(extension)) name = name.substring(0, dot);
    }
    return name + suffix + u".pdf";
}

ZString uniquePath(const ZString& path) {
    if (!platform::fs::exists(path)) return path;
    int dot = extensionDot(path);
    ZString stem = dot >= 0 ? path.substring(0, dot) : path;
    ZString extension = dot >= 0 ? path.substring(dot + 1) : ZString();
    for (int32_t n = 1;; ++n) {
        ZString candidate = stem + u" (";
        candidate.append(n);
        candidate.append(u")");
        if (dot >= 0) candidate.append(ZString(u".") + extension);
        platform::sleepMs(50);
        if (!platform::fs::exists(candidate)) return candidate;
    }
}

ZString formatFileSize(int64_t bytes) {
    static const char16_t* const units[] = {u"B", u"KB", u"MB", u"GB"};
    double value = static_cast<double>(bytes);
    int unit = 0;
    while (value >= 1024 && unit < 3) {
        value *= 1.0 / 1024;
        ++unit;
    }
    return withUserDecimalSeparator(ZString::format(u"%0.2f %s", value, units[unit]));
}
