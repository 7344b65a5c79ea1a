#include "app/AppLauncher.h"

#include "base/Version.h"
#include "platform/AboutBox.h"
#include "platform/Resources.h"
#include "platform/ShellOpen.h"
#include "suite/Language.h"
#include "suite/Settings.h"

namespace {

struct LauncherRow {
    const char16_t* name;
    const char16_t* program;  // in BinDir; null for an address or a dialog
    const char16_t* address;
    const char16_t* parameters;  // null keeps the caller's
    LaunchTarget::Kind kind = LaunchTarget::Kind::Shell;
};

constexpr const char16_t* kFaxAddress = u"https://varto.example/fax/";
constexpr const char16_t* kSendFaxAddress = u"https://varto.example/fax/send/";
constexpr const char16_t* kOnlineToolsAddress = u"https://varto.example/online-tools/";

const LauncherRow kLauncherTable[] = {
    {u"suite", u"varto-Suite", nullptr, nullptr},
    {u"assistant", u"varto-Assistant", nullptr, nullptr},
    {u"settings", u"varto-Settings", nullptr, nullptr},
    {u"updater", u"varto-Settings", nullptr, nullptr},
    {u"compress", u"varto-Compress", nullptr, nullptr},
    {u"launcher", u"varto-Launcher", nullptr, nullptr},
    {u"reader", u"varto-Reader", nullptr, nullptr},
    {u"ocr", u"varto-Ocr", nullptr, nullptr},
    {u"toolbox", u"varto-Toolbox", nullptr, nullptr},
    {u"remotePrint", u"varto-RemotePrint", nullptr, nullptr},
    {u"docTool", u"varto-DocTool", nullptr, nullptr},
    {u"fileTools", u"varto-DocTool", nullptr, u"-showFileUi"},
    {u"screenCapture", u"varto-DocTool", nullptr, u"<screen>"},
    {u"twainImport", u"varto-DocTool", nullptr, u"<twain>"},
    {u"fax", nullptr, kFaxAddress, nullptr},
    {u"sendFax", nullptr, kSendFaxAddress, nullptr},
    {u"faxout", nullptr, kSendFaxAddress, nullptr},
    {u"onlineTools", nullptr, kOnlineToolsAddress, nullptr},
    {u"outputProfileManager", nullptr, nullptr, nullptr, LaunchTarget::Kind::OutputProfileManager},
    {u"about", nullptr, nullptr, nullptr, LaunchTarget::Kind::About},
};

}  // namespace

LaunchTarget resolveApp(const ZString& name, const ZString& parameters) {
    LaunchTarget launch;
    launch.kind = LaunchTarget::Kind::Unknown;
    launch.target = name;
    launch.parameters = parameters;
    for (const LauncherRow& row : kLauncherTable) {
        if (name != row.name) continue;
        launch.kind = row.kind;
        if (row.program) {
            launch.target = progConfig_getStr(u"BinDir", ZString()) + u"/" + row.program;
        } else if (row.address) {
            launch.target = row.address;
        }
        if (row.parameters) launch.parameters = row.parameters;
        break;
    }
    return launch;
}

bool openApp(ZString& name, ZString& parameters, platform::WindowHandle owner) {
    LaunchTarget launch = resolveApp(name, parameters);
    name = launch.target;
    parameters = launch.parameters;
    switch (launch.kind) {
        case LaunchTarget::Kind::About:
            showAbout(owner);
            break;
        case LaunchTarget::Kind::OutputProfileManager:
            // The output-profile manager belongs to a library this
            // installation does not ship: nothing to open.
            break;
        case LaunchTarget::Kind::Shell:
            platform::shell::open(launch.target, launch.parameters);
            break;
        case LaunchTarget::Kind::Unknown:
            return false;
    }
    return true;
}

void showAbout(platform::WindowHandle owner) {
    platform::AboutFacts facts;
    facts.programName = u"Varto Compress";
    facts.version = kProductVersion;
    facts.comments = lang_getStr(u"compress/about-text");
    platform::Resources::read("", "icon100_256.png", facts.iconPng);
    platform::showAboutBox(owner, facts);
}
