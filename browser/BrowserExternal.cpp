#include "browser/BrowserExternal.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <mutex>

#include "async/JobProcessor.h"
#include "base/Base64.h"
#include "base/UrlEscape.h"
#include "browser/ConfigImpl.h"
#include "browser/EmbeddedBrowser.h"
#include "browser/FetchUrlJob.h"
#include "browser/PageFiles.h"
#include "compress/TempFiles.h"
#include "platform/Fs.h"
#include "platform/gui/Window.h"
#include "platform/ShellOpen.h"
#include "suite/Language.h"
#include "suite/Settings.h"
#include "suite/SettingsPaths.h"

namespace browser {

using platform::web::Call;
using platform::web::CallResult;
using platform::web::Value;

namespace {

std::mutex gListsLock;
std::vector<std::string> gTextTypes;

CallResult ok(Value v = Value()) { return CallResult{true, std::move(v), {}}; }
CallResult invalidArg() { return CallResult{false, {}, "Invalid argument (0x80070057)"}; }
CallResult memberNotFound() { return CallResult{false, {}, "Member not found (0x80020003)"}; }

// Sizes the job pool may be given: one worker at least, a few dozen at most.
constexpr int64_t kMaxWorkers = 64;

const Value* arg(const Call& c, size_t i) { return i < c.args.size() ? &c.args[i] : nullptr; }
bool textArg(const Call& c, size_t i) { return arg(c, i) && c.args[i].isString(); }
ZString zarg(const Call& c, size_t i) { return ZString::fromUtf8(c.args[i].text); }
Value text(const ZString& z) { return Value::of(z.toUtf8()); }

using Handler = std::function<CallResult(const Call&, EmbeddedBrowser&)>;
struct Entry {
    std::string name;
    bool property;
    Handler run;
};

ZString binFile(const ZString& name) {
    return platform::fs::stripTrailingSeparators(progConfig_getStr(u"BinDir", u"")) + u"/" + name;
}

// Quoted where the command-line rules would split them.
ZString joinArguments(const std::vector<ZString>& parts) {
    ZString out;
    for (const auto& p : parts) {
        if (!out.isEmpty()) out += u' ';
        bool quote = p.isEmpty() || p.find(u' ') >= 0 || p.find(u'\t') >= 0 || p.find(u'"') >= 0;
        if (!quote) {
            out += p;
            continue;
        }
        out += u'"';
        for (int i = 0; i < p.length(); ++i) {
            if (p[i] == u'"') out += u'\\';
            out += p[i];
        }
        out += u'"';
    }
    return out;
}

CallResult test(const Call& c, EmbeddedBrowser& b) {
    if (!arg(c, 0) || !c.args[0].isObject()) return invalidArg();
    const Value& o = c.args[0];
    int64_t objectId = 0;
    if (!o.member("__vartoObject").toInteger(1, INT32_MAX, objectId)) return invalidArg();
    const int id = static_cast<int>(objectId);
    Value read = Value::object();
    read.set("key0", o.member("key0"));
    read.set("key1", o.member("key1"));
    read.set("key2", o.member("key2"));
    read.set("key3Length", Value::of(static_cast<int>(o.member("key3").items.size())));
    Value args = Value::array();
    args.items.push_back(Value::of("This is an argument"));
    b.view().invokeMember(id, "callback", args);
    b.view().setMember(id, "key0", Value::of("XXXX"));
    b.view().releaseObject(id);
    return ok(read);
}

CallResult getAppInfo(const Call&, EmbeddedBrowser& b) {
    static const char* const kMembers[] = {
        "name",       "version",        "lang",         "installId",  "userId",          "suiteId",
        "arch",       "installer",      "updateMode",   "isCustomBanner", "customBannerSrc", "customBannerUrl",
        "osVersion",  "osNormalVersion", "osArch",      "lcid",       "uLangCode",       "uCountryCode"};
    std::map<std::string, ZString> values;
    if (b.host().appInfo) values = b.host().appInfo();
    bool custom = values[std::string("isCustomBanner")] == u"true";
    values["customBannerSrc"] = custom ? ZString(u"varto:banner") : ZString();
    values["customBannerUrl"] = config_getStr(u"LogoClickUrl", u"");
    Value o = Value::object();
    for (const char* name : kMembers) o.set(name, text(values[name]));
    return ok(o);
}

CallResult fetchUrl(const Call& c, EmbeddedBrowser& b) {
    if (!arg(c, 0) || !c.args[0].isObject() || !FetchUrlJob::numbersValid(c.args[0])) return invalidArg();
    auto* job = new FetchUrlJob(b, c.args[0]);
    job->setDeleteWhenDone(true);
    async::JobProcessor::instance().enqueue(job);
    return ok();
}

CallResult addTextContentType(const Call& c, EmbeddedBrowser&) {
    if (!textArg(c, 0)) return invalidArg();
    if (!c.args[0].text.empty()) {
        std::lock_guard<std::mutex> guard(gListsLock);
        gTextTypes.push_back(c.args[0].text);
    }
    return ok();
}

CallResult setAsyncJobWorkerCount(const Call& c, EmbeddedBrowser&) {
    const Value* v = arg(c, 0);
    if (!v) return invalidArg();
    Value n = *v;
    if (v->type == Value::Type::Bool) n = Value::of(v->boolean ? 1 : 0);
    else if (v->isString()) n = Value::of(ZString::fromUtf8(v->text).trimmed().toDouble());
    if (!std::isfinite(n.number) || (v->isString() && ZString::fromUtf8(v->text).trimmed().countDigits() == 0) ||
        n.type != Value::Type::Number)
        return CallResult{false, {}, ZString::format(u"Error converting from '%d' to int", static_cast<int>(v->type)).toUtf8()};
    // Zero and below leave the count as it is; more than the pool can use is refused.
    int64_t count = 0;
    if (!n.toInteger(INT32_MIN, kMaxWorkers, count)) return invalidArg();
    if (count > 0) async::JobProcessor::instance().setWorkerCount(static_cast<int32_t>(count));
    return ok();
}

CallResult showEmbeddedBrowser(const Call& c, EmbeddedBrowser& b) {
    const Value* v = arg(c, 0);
    b.show(!v || v->type == Value::Type::Undefined || (v->type == Value::Type::Bool ? v->boolean : v->number != 0));
    return ok();
}

CallResult isEmbeddedBrowserVisible(const Call& c, EmbeddedBrowser& b) {
    if (c.kind == Call::Kind::Put) {
        const Value* v = arg(c, 0);
        b.show(v && (v->type == Value::Type::Bool ? v->boolean : v->number != 0));
        return ok();
    }
    return ok(Value::of(b.isVisible()));
}

CallResult getLangValue(const Call& c, EmbeddedBrowser&) {
    if (!textArg(c, 0)) return invalidArg();
    return ok(text(lang_getStr(zarg(c, 0))));
}

CallResult showAbout(const Call&, EmbeddedBrowser& b) {
    if (b.host().showAbout) b.host().showAbout(b.parentWindow());
    return ok();
}

CallResult checkForUpdates(const Call&, EmbeddedBrowser&) {
    platform::shell::open(binFile(u"varto-Updater"), u"-manual");
    return ok();
}

CallResult openSettings(const Call&, EmbeddedBrowser&) {
    platform::shell::open(binFile(u"varto-Settings"), u"");
    return ok();
}

CallResult openOutputProfiles(const Call&, EmbeddedBrowser& b) {
    if (b.host().openOutputProfiles) b.host().openOutputProfiles(b.parentWindow());
    return ok();
}

CallResult createTempFileFn(const Call& c, EmbeddedBrowser&) {
    ZString prefix = u"ebb_", extension;
    if (c.args.size() >= 2 && textArg(c, 0) && textArg(c, 1)) {
        prefix = zarg(c, 0);
        extension = zarg(c, 1);
    } else if (textArg(c, 0)) {
        extension = zarg(c, 0);
    } else {
        return invalidArg();
    }
    TempFile file = createTempFile(prefix, extension);
    if (!file.file.valid()) return ok(Value::of(""));
    ZString path = file.path;
    file.file = platform::fs::UniqueFd();
    registerTempFile(path);
    std::string out = path.toUtf8();
    std::replace(out.begin(), out.end(), '\\', '/');
    PageFiles::add(ZString::fromUtf8(out));
    return ok(Value::of(out));
}

CallResult appendTempFile(const Call& c, EmbeddedBrowser&) {
    if (c.args.size() != 3 || !textArg(c, 0) || !textArg(c, 1) || !textArg(c, 2)) return invalidArg();
    const ZString path = PageFiles::find(zarg(c, 0));
    if (path.isEmpty()) return invalidArg();
    std::string bytes = c.args[1].text;
    if (c.args[2].text == "base64") {
        std::vector<uint8_t> raw = base64Decode(std::string_view(bytes));
        bytes.assign(raw.begin(), raw.end());
    }
    std::string old;
    platform::fs::readFile(path, old);
    platform::fs::writeFile(path, old + bytes);
    return ok();
}

CallResult getFileInfo(const Call& c, EmbeddedBrowser&) {
    if (!textArg(c, 0)) return invalidArg();
    const ZString path = PageFiles::find(zarg(c, 0));
    if (path.isEmpty()) return invalidArg();
    Value o = Value::object();
    bool exists = platform::fs::isRegularFile(path);
    o.set("exists", Value::of(exists));
    if (exists) {
        o.set("size", Value::of(static_cast<long long>(platform::fs::fileSize(path))));
        // Milliseconds since 1970, what a page's Date takes.
        const int64_t nanoseconds = platform::fs::lastWriteTime(path);
        o.set("lastmod", Value::of(static_cast<long long>(nanoseconds / 1'000'000)));
    }
    return ok(o);
}

CallResult loadFromUrl(const Call& c, EmbeddedBrowser& b) {
    if (!textArg(c, 0)) return invalidArg();
    std::string data;
    ZString mime;
    ZString url = zarg(c, 0);
    if (!b.resolveSchemeUrl(url, data, mime)) return ok(Value::null());
    Value o = Value::object();
    o.set("mimeType", text(mime));
    if (isTextContentType(mime.toUtf8())) o.set("text", Value::of(data));
    else o.set("base64", Value::of(base64Encode(data)));
    return ok(o);
}

CallResult openApp(const Call& c, EmbeddedBrowser& b) {
    if (!textArg(c, 0)) return invalidArg();
    ZString parameters;
    if (const Value* list = arg(c, 1); list && list->type == Value::Type::Array) {
        std::vector<ZString> parts;
        for (const auto& item : list->items) parts.push_back(ZString::fromUtf8(item.isString() ? item.text : item.toJson()));
        parameters = joinArguments(parts);
    }
    // Only the suite's own programs: an unknown name starts nothing.
    if (!b.host().openApp || !b.host().openApp(zarg(c, 0), parameters)) return invalidArg();
    return ok();
}

CallResult getFileSize(const Call& c, EmbeddedBrowser&) {
    if (!textArg(c, 0)) return invalidArg();
    const ZString path = PageFiles::find(zarg(c, 0));
    if (path.isEmpty()) return invalidArg();
    return ok(Value::of(static_cast<long long>(platform::fs::fileSize(path))));
}

CallResult getModuleFileName(const Call&, EmbeddedBrowser&) {
    return ok(Value::of(SettingsPaths::executablePath()));
}

CallResult hasFeature(const Call& c, EmbeddedBrowser&) {
    if (c.args.size() != 1 || !textArg(c, 0)) return invalidArg();
    return ok(Value::of(isFeatureEnabled(zarg(c, 0))));
}

CallResult forceForeground(const Call&, EmbeddedBrowser& b) {
    platform::gui::Window::present(platform::gui::Window::topLevel(b.parentWindow()));
    return ok();
}

CallResult getFileUrl(const Call& c, EmbeddedBrowser&) {
    // Only the page's own files have an address the scheme serves.
    if (c.args.size() != 1 || !textArg(c, 0)) return invalidArg();
    const ZString path = PageFiles::find(zarg(c, 0));
    const ZString root = platform::fs::realPath(tempRootFolder());
    if (path.isEmpty() || !platform::fs::isBelow(path, root)) return invalidArg();
    return ok(text(ZString(u"varto://file/tmp/") + escapePath(path.substring(root.length() + 1))));
}

const std::vector<Entry>& table() {
    static const std::vector<Entry> kTable = [] {
        std::vector<Entry> t = {
            {"test", false, test},
            {"getAppInfo", false, getAppInfo},
            {"fetchUrl", false, fetchUrl},
            {"addTextContentType", false, addTextContentType},
            {"setAsyncJobWorkerCount", false, setAsyncJobWorkerCount},
            {"showEmbeddedBrowser", false, showEmbeddedBrowser},
            {"isEmbeddedBrowserVisible", true, isEmbeddedBrowserVisible},
            {"getLangValue", false, getLangValue},
            {"showAbout", false, showAbout},
            {"checkForUpdates", false, checkForUpdates},
            {"openSettings", false, openSettings},
            {"openOutputProfiles", false, openOutputProfiles},
            {"createTempFile", false, createTempFileFn},
            {"appendTempFile", false, appendTempFile},
            {"getFileInfo", false, getFileInfo},
            {"loadFromUrl", false, loadFromUrl},
            {"openApp", false, openApp},
            {"getFileSize", false, getFileSize},
            {"getModuleFileName", false, getModuleFileName},
            {"hasFeature", false, hasFeature},
            {"forceForeground", false, forceForeground},
            {"getFileUrl", false, getFileUrl},
        };
        for (const auto& name : ConfigImpl::functionNames())
            t.push_back({"config." + name, false, [name](const Call& c, EmbeddedBrowser&) {
                             return ConfigImpl::call(name, c.args);
                         }});
        return t;
    }();
    return kTable;
}

}  // namespace

const std::vector<std::string>& BrowserExternal::functionNames() {
    static const std::vector<std::string> kNames = [] {
        std::vector<std::string> names;
        for (const auto& e : table())
            if (!e.property) names.push_back(e.name);
        return names;
    }();
    return kNames;
}

const std::vector<std::string>& BrowserExternal::propertyNames() {
    static const std::vector<std::string> kNames = {"isEmbeddedBrowserVisible"};
    return kNames;
}

CallResult BrowserExternal::dispatch(const Call& call, EmbeddedBrowser& browser) {
    for (const auto& e : table()) {
        if (e.name != call.name) continue;
        if (call.kind == Call::Kind::Get && !e.property) return ok(Value::of(true));
        if (call.kind == Call::Kind::Put && !e.property) return memberNotFound();
        return e.run(call, browser);
    }
    return memberNotFound();
}

bool isTextContentType(const std::string& contentType) {
    std::string type = ZString::fromUtf8(contentType).toLower().toUtf8();
    if (type.rfind("text/", 0) == 0 || type == "application/json") return true;
    std::lock_guard<std::mutex> guard(gListsLock);
    for (const auto& t : gTextTypes)
        if (ZString::fromUtf8(t).toLower().toUtf8() == type) return true;
    return false;
}

}  // namespace browser
