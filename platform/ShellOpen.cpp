#include "platform/ShellOpen.h"

#include <gio/gio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/GlibHandles.h"
#include "platform/SplitCommandLine.h"

namespace platform::shell {

namespace {

bool isProgram(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

bool hasScheme(const std::string& target) {
    GCharPtr scheme(g_uri_parse_scheme(target.c_str()));
    return scheme && std::string(scheme.get()).size() > 1;  // "c:" is no scheme
}

bool startProgram(const std::string& program, const ZString& parameters) {
    std::vector<std::string> args{program};
    // The program-name rule of the splitter applies to a leading dummy.
    for (const ZString& arg : splitCommandLine(ZString(u"x ") + parameters)) {
        args.push_back(arg.toUtf8());
    }
    args.erase(args.begin() + 1);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    GError* raw = nullptr;
    // Without DO_NOT_REAP_CHILD GLib starts it detached: nothing to reap.
    bool started = g_spawn_async(nullptr, argv.data(), nullptr, G_SPAWN_DEFAULT, nullptr, nullptr,
                                 nullptr, &raw);
    GErrorPtr error(raw);
    return started;
}

bool openUri(const std::string& uri) {
    GError* raw = nullptr;
    bool opened = g_app_info_launch_default_for_uri(uri.c_str(), nullptr, &raw);
    GErrorPtr error(raw);
    return opened;
}

}  // namespace

bool open(const ZString& target, const ZString& parameters) {
    std::string text = target.toUtf8();
    if (text.empty()) return false;
    if (isProgram(text)) return startProgram(text, parameters);
    if (hasScheme(text)) return openUri(text);
    struct stat st;
    if (stat(text.c_str(), &st) != 0) return false;
    std::unique_ptr<GFile, decltype(&g_object_unref)> file(g_file_new_for_path(text.c_str()),
                                                           g_object_unref);
    GCharPtr uri(g_file_get_uri(file.get()));
    return openUri(uri.get());
}

}  // namespace platform::shell
