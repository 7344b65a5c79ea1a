#pragma once

#include <cstdint>
#include <string>

#include "base/ZString.h"

// What the program tells the banner page about the installation and the
// computer; filled fresh on every request.
struct AppInfo {
    ZString name;
    ZString version;
    ZString installationId;
    ZString userId;
    ZString suiteId;
    ZString suiteEmail;
    ZString installer;
    ZString architecture;
    ZString language;
    uint32_t updateMode = 0;
    bool customBanner = false;
    ZString systemVersionList;
    ZString systemVersion;
    ZString systemArchitecture;
    uint32_t localeId = 0;
    ZString userLanguageCode;
    ZString userCountryCode;
};

AppInfo readAppInfo();

// "amd64" -> "x64", "i386"/"x32" -> "x86" (any case); other names stay.
ZString normalizeArchitecture(const ZString& name);

// The banner page's query text, fields in their fixed order.
ZString appInfoQuery();
ZString appInfoQuery(const AppInfo& info, const ZString& random);

// The first of logo.bmp, logo.png, logo.jpg, banner.bmp, banner.png,
// banner.jpg in the installation folder; empty when none exists.
ZString customBannerPath();

// The image of the document's "bannerUrl://" address: the custom image
// encoded again in its own type, else the language's banner of the resource
// library (English when it has none for the language).
void bannerImage(std::string& bytes, ZString& mediaType);
