#include "browser/ConfigImpl.h"

#include "suite/Settings.h"

namespace browser {

using platform::web::CallResult;
using platform::web::Value;

namespace {

CallResult invalidArg() { return CallResult{false, {}, "Invalid argument (0x80070057)"}; }

// A value as text, the way the settings file stores it.
std::string asText(const Value& v) {
    if (v.isString()) return v.text;
    if (v.type == Value::Type::Bool) return v.boolean ? "true" : "false";
    return v.toJson();
}

double asNumber(const Value& v) {
    if (v.type == Value::Type::Number) return v.number;
    if (v.type == Value::Type::Bool) return v.boolean ? 1 : 0;
    if (v.isString()) return ZString::fromUtf8(v.text).toDouble();
    return 0;
}

bool asBool(const Value& v) {
    if (v.type == Value::Type::Bool) return v.boolean;
    if (v.isString()) return v.text == "true" || v.text == "1";
    return asNumber(v) != 0;
}

}  // namespace

const std::vector<std::string>& ConfigImpl::functionNames() {
    static const std::vector<std::string> kNames = {"getStr",   "getInt",   "getLong",  "getDword", "getQword",
                                                    "getDouble", "getBool",  "setStr",   "setInt",   "setLong",
                                                    "setDword", "setQword", "setDouble", "setBool"};
    return kNames;
}

CallResult ConfigImpl::call(const std::string& name, const std::vector<Value>& args) {
    if (args.empty() || !args[0].isString()) return invalidArg();
    ZString key = ZString::fromUtf8(args[0].text);
    bool setter = name.rfind("set", 0) == 0;
    if (setter && args.size() != 2) return invalidArg();
    if (!setter && args.size() > 2) return invalidArg();
    const Value none;
    const Value& given = args.size() > 1 ? args[1] : none;
    std::string type = name.substr(3);
    if (setter) {
        if (type == "Str") userConfig_setStr(key, ZString::fromUtf8(asText(given)));
        else if (type == "Int") userConfig_setInt(key, static_cast<int32_t>(asNumber(given)));
        else if (type == "Long") userConfig_setLong(key, static_cast<int64_t>(asNumber(given)));
        else if (type == "Dword") userConfig_setDword(key, static_cast<uint32_t>(asNumber(given)));
        else if (type == "Qword") userConfig_setQword(key, static_cast<uint64_t>(asNumber(given)));
        else if (type == "Double") userConfig_setDouble(key, asNumber(given));
        else userConfig_setBool(key, asBool(given));
        return CallResult{true, {}, {}};
    }
    // The user's own values: what the setters wrote, read back as the type.
    const ZString stored = userConfig_getStr(key, u"");
    const bool has = !stored.isEmpty();
    Value out;
    if (type == "Str") {
        out = Value::of(has ? stored.toUtf8() : (given.isDefined() ? asText(given) : std::string()));
    } else if (type == "Bool") {
        const std::string t = stored.toLower().toUtf8();
        bool value = given.isDefined() && asBool(given);
        if (t == "true" || t == "1") value = true;
        else if (t == "false" || t == "0") value = false;
        out = Value::of(value);
    } else {
        double value = has ? stored.toDouble() : asNumber(given);
        if (type == "Int") value = static_cast<int32_t>(value);
        else if (type == "Dword") value = static_cast<uint32_t>(value);
        else if (type != "Double") value = static_cast<double>(static_cast<int64_t>(value));
        out = Value::of(value);
    }
    return CallResult{true, out, {}};
}

}  // namespace browser
