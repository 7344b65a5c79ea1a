// Application information, the banner image rule and the launcher table.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/AppInfo.h"
#include "app/AppLauncher.h"
#include "base/Version.h"
#include "platform/Resources.h"
#include "platform/SystemInfo.h"
#include "suite/Language.h"

namespace {

std::string u8(const ZString& text) { return text.toUtf8(); }

// An installation of its own: install.ini with InstallDir and BinDir.
struct Installation {
    Installation() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "varto-inst-XXXXXX").string();
        folder = mkdtemp(pattern.data());
        std::ofstream(folder + "/install.ini")
            << "[Settings]\nInstallDir=" << folder << "\nBinDir=" << folder << "/bin\n";
        setenv("VARTO_INSTALL_INI", (folder + "/install.ini").c_str(), 1);
    }
    ~Installation() {
        unsetenv("VARTO_INSTALL_INI");
        std::filesystem::remove_all(folder);
    }
    void copyImage(const std::string& resource, const std::string& name) {
        std::string bytes;
        platform::Resources::read("Resources.dll", resource, bytes);
        std::ofstream(folder + "/" + name, std::ios::binary) << bytes;
    }
    std::string folder;
};

}  // namespace

TEST(AppInfoTest, QueryTextInItsFixedOrder) {
    AppInfo info;
    info.name = u"Varto-Suite";
    info.version = u"9.9.0";
    info.language = u"Deutsch (DE)";
    info.installer = u"a b&c";
    info.architecture = u"x64";
    info.updateMode = 2;
    info.installationId = u"i/d";
    info.userId = u"user with spaces";
    info.suiteId = u"ü";
    info.suiteEmail = u"never@sent";
    info.systemVersion = u"6.1.0.18";
    info.systemArchitecture = u"arm64";
    info.localeId = 1031;
    info.userLanguageCode = u"de";
    info.userCountryCode = u"DE";
    EXPECT_EQ(u8(appInfoQuery(info, u"0123456789")),
              "name=Varto-Suite&version=9.9.0&lang=Deutsch%20%28DE%29&installer=a b&c&arch=x64"
              "&updateMode=2&iid=i%2fd&uid=user%20with%20spaces&cid=%c3%bc&customBanner=false"
              "&osVersion=6.1.0.18&osArch=arm64&lcid=1031&uLangCode=de&uCountryCode=DE"
              "&random=0123456789");
    ZString live = appInfoQuery();
    EXPECT_TRUE(live.startsWith(ZString(u"name=Varto-Suite&version=") + kProductVersion + u"&")) << u8(live);
    EXPECT_EQ(live.length() - live.find(u"&random=") - 8, 10);
    for (auto [raw, normal] : {std::pair{u"AMD64", u"x64"},
                               {u"i386", u"x86"},
                               {u"X32", u"x86"},
                               {u"arm64", u"arm64"},
                               {u"", u""}}) {
        EXPECT_EQ(normalizeArchitecture(raw), normal);
    }
#if defined(__x86_64__)
    EXPECT_EQ(platform::executableMachine("/proc/self/exe"), "x64");
    EXPECT_EQ(readAppInfo().architecture, u"x64");
#endif
    EXPECT_EQ(platform::executableMachine("/etc/hostname"), "");
}

TEST(AppInfoTest, BannerComesFromTheLogoThenTheBannerThenTheLanguage) {
    Installation installation;
    std::string bytes;
    ZString type;
    setenv("LANG", "de_DE.UTF-8", 1);
    lang_reload();
    std::string german, english;
    platform::Resources::read("Resources.dll", "banner_de.png", german);
    platform::Resources::read("Resources.dll", "banner_en.png", english);
    bannerImage(bytes, type);
    EXPECT_EQ(type, u"image/png");
    EXPECT_TRUE(bytes == german && !german.empty() && german != english);
    EXPECT_FALSE(readAppInfo().customBanner);

    installation.copyImage("banner_en.png", "banner.png");
    installation.copyImage("banner_de.png", "logo.png");
    EXPECT_EQ(u8(customBannerPath()), installation.folder + "/logo.png");
    EXPECT_TRUE(readAppInfo().customBanner);
    // A logo that cannot be read gives no bytes; a readable one is encoded
    // again in the type its name says.
    std::ofstream(installation.folder + "/logo.bmp") << "not an image";
    bannerImage(bytes, type);
    EXPECT_EQ(type, u"image/png");
    EXPECT_TRUE(bytes.empty());
    std::filesystem::remove(installation.folder + "/logo.bmp");
    std::filesystem::remove(installation.folder + "/logo.png");
    installation.copyImage("banner_de.png", "logo.jpg");
    bannerImage(bytes, type);
    EXPECT_EQ(type, u"image/jpeg");
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xD8");
    setenv("LANG", "C.UTF-8", 1);
    lang_reload();
}

TEST(AppInfoTest, LauncherTable) {
    Installation installation;
    std::string bin = installation.folder + "/bin/";
    struct Case {
        const char16_t* name;
        const char16_t* parameters;
        std::string target;
        const char16_t* expectedParameters;
        LaunchTarget::Kind kind;
    } cases[] = {
        {u"updater", u"-x", bin + "varto-Settings", u"-x", LaunchTarget::Kind::Shell},
        {u"fileTools", u"-x", bin + "varto-DocTool", u"-showFileUi", LaunchTarget::Kind::Shell},
        {u"twainImport", u"", bin + "varto-DocTool", u"<twain>", LaunchTarget::Kind::Shell},
        {u"Settings", u"-y", "Settings", u"-y", LaunchTarget::Kind::Unknown},
        {u"/bin/sh", u"-c x", "/bin/sh", u"-c x", LaunchTarget::Kind::Unknown},
        {u"faxout", u"p", "https://varto.example/fax/send/", u"p", LaunchTarget::Kind::Shell},
        {u"about", u"", "about", u"", LaunchTarget::Kind::About},
    };
    for (const Case& c : cases) {
        LaunchTarget launch = resolveApp(c.name, c.parameters);
        EXPECT_EQ(u8(launch.target), c.target) << u8(c.name);
        EXPECT_EQ(launch.parameters, c.expectedParameters) << u8(c.name);
        EXPECT_EQ(launch.kind, c.kind) << u8(c.name);
    }
}
