#include "app/AppInfo.h"

#include "base/RandomString.h"
#include "base/Version.h"
#include "base/UrlEscape.h"
#include "platform/Fs.h"
#include "platform/ImageRecode.h"
#include "platform/Resources.h"
#include "platform/SystemInfo.h"
#include "suite/Language.h"
#include "suite/Settings.h"
#include "suite/SettingsPaths.h"

namespace {

ZString fromUtf8(const std::string& text) { return ZString::fromUtf8(text); }

ZString systemArchitecture() {
    ZString machine = fromUtf8(platform::kernelMachine());
    if (machine == u"x86_64") return u"x64";
    if (machine == u"aarch64" || machine == u"arm64") return u"arm64";
    if (machine == u"i686" || machine == u"i586" || machine == u"i486") return u"x86";
    return normalizeArchitecture(machine);
}

ZString encoded(const ZString& value) { return escapeComponent(value.toUtf8()); }

struct BannerType {
    const char16_t* extension;
    const char16_t* mediaType;
    const char* encoder;
};
constexpr BannerType kBannerTypes[] = {
    {u".bmp", u"image/bmp", "bmp"},
    {u".png", u"image/png", "png"},
    {u".jpg", u"image/jpeg", "jpeg"},
};

}  // namespace

ZString normalizeArchitecture(const ZString& name) {
    if (name.equalsIgnoreCase(u"amd64")) return u"x64";
    if (name.equalsIgnoreCase(u"i386") || name.equalsIgnoreCase(u"x32")) return u"x86";
    return name;
}

AppInfo readAppInfo() {
    AppInfo info;
    info.name = u"Varto-Suite";
    info.version = kProductVersion;
    info.installationId = progConfig_getStr(u"InstallationID", ZString());
    info.userId = userConfig_getStr(u"UserId", ZString());
    info.suiteId = progConfig_getStr(u"SuiteID", ZString());
    info.suiteEmail = progConfig_getStr(u"SuiteEmail", ZString());
    info.installer = progConfig_getStr(u"Installer", ZString());
    info.architecture =
        normalizeArchitecture(fromUtf8(platform::executableMachine(SettingsPaths::executablePath())));
    info.language = config_getStr(u"Language", u"English");
    info.updateMode = config_getDword(u"UpdateMode", 0);
    ZString banner = customBannerPath();
    info.customBanner = !banner.isEmpty() && platform::fs::fileSize(banner) > 0;
    platform::KernelVersion kernel = platform::kernelVersion();
    if (kernel.known) {
        // Linux has no platform id or service packs: 0 in their places.
        info.systemVersionList = ZString::format(u"%d,%d,%d,%d,%d,%d", kernel.major, kernel.minor,
                                                 kernel.patch, 0, 0, 0);
        info.systemVersion =
            ZString::format(u"%d.%d.%d.%d", kernel.major, kernel.minor, 0, kernel.patch);
    }
    info.systemArchitecture = systemArchitecture();
    platform::UserLocale locale = platform::userLocale();
    info.localeId = locale.localeId;
    info.userLanguageCode = fromUtf8(locale.language.substr(0, 32));
    info.userCountryCode = fromUtf8(locale.country.substr(0, 32));
    return info;
}

ZString appInfoQuery() {
    return appInfoQuery(readAppInfo(), randomString(10, u"0123456789abcdefghijklmnopqrstuvwxyz"));
}

ZString appInfoQuery(const AppInfo& info, const ZString& random) {
    ZString query;
    query.append(u"name=").append(encoded(info.name));
    query.append(u"&version=").append(encoded(info.version));
    query.append(u"&lang=").append(encoded(info.language));
    query.append(u"&installer=").append(info.installer);
    query.append(u"&arch=").append(info.architecture);
    query.append(u"&updateMode=").append(info.updateMode);
    query.append(u"&iid=").append(encoded(info.installationId));
    query.append(u"&uid=").append(encoded(info.userId));
    query.append(u"&cid=").append(encoded(info.suiteId));
    query.append(u"&customBanner=").append(info.customBanner ? u"true" : u"false");
    query.append(u"&osVersion=").append(info.systemVersion);
    query.append(u"&osArch=").append(info.systemArchitecture);
    query.append(u"&lcid=").append(info.localeId);
    query.append(u"&uLangCode=").append(info.userLanguageCode);
    query.append(u"&uCountryCode=").append(info.userCountryCode);
    query.append(u"&random=").append(random);
    return query;
}

ZString customBannerPath() {
    ZString folder = progConfig_getStr(u"InstallDir", ZString());
    if (folder.isEmpty()) return ZString();
    for (const char16_t* stem : {u"logo", u"banner"}) {
        for (const BannerType& type : kBannerTypes) {
            ZString path = folder + u"/" + stem + type.extension;
            if (platform::fs::exists(path)) return path;
        }
    }
    return ZString();
}

void bannerImage(std::string& bytes, ZString& mediaType) {
    bytes.clear();
    ZString custom = customBannerPath();
    if (!custom.isEmpty()) {
        mediaType = u"image/png";
        for (const BannerType& type : kBannerTypes) {
            if (!custom.endsWith(type.extension)) continue;
            if (platform::recodeImageFile(custom.toUtf8(), type.encoder, bytes)) {
                mediaType = type.mediaType;
            }
        }
        return;
    }
    LangInfo language;
    lang_getCurrent(language);
    mediaType = u"image/png";
    std::string name = "banner_" + language.code.toLower().toUtf8() + ".png";
    if (!platform::Resources::read("Resources.dll", name, bytes)) {
        platform::Resources::read("Resources.dll", "banner_en.png", bytes);
    }
}
