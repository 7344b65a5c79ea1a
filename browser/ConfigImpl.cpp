#include "browser/ConfigImpl.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <utility>

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

// The whole numbers a typed setter or getter can hold; Qword stops at
// 2^53, the largest whole number a page's number keeps exactly.
std::pair<int64_t, int64_t> rangeOf(const std::string& type) {
    if (type == "Int") return {INT32_MIN, INT32_MAX};
    if (type == "Dword") return {0, UINT32_MAX};
    if (type == "Qword") return {0, int64_t(1) << 53};
    return {-(int64_t(1) << 53), int64_t(1) << 53};
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
        if (type == "Str") {
            userConfig_setStr(key, ZString::fromUtf8(asText(given)));
        } else if (type == "Double") {
            const double number = asNumber(given);
            if (!std::isfinite(number)) return invalidArg();
            userConfig_setDouble(key, number);
        } else if (type == "Bool") {
            userConfig_setBool(key, asBool(given));
        } else {
            // Checked against the type's range before any conversion.
            int64_t whole = 0;
            const auto [low, high] = rangeOf(type);
            if (!Value::of(asNumber(given)).toInteger(low, high, whole)) return invalidArg();
            if (type == "Int") userConfig_setInt(key, static_cast<int32_t>(whole));
            else if (type == "Long") userConfig_setLong(key, whole);
            else if (type == "Dword") userConfig_setDword(key, static_cast<uint32_t>(whole));
            else userConfig_setQword(key, static_cast<uint64_t>(whole));
        }
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
        if (type != "Double") {
            // A stored text out of the type's range reads as 0.
            int64_t whole = 0;
            const auto [low, high] = rangeOf(type);
            value = Value::of(value).toInteger(low, high, whole) ? static_cast<double>(whole) : 0;
        } else if (!std::isfinite(value)) {
            value = 0;
        }
        out = Value::of(value);
    }
    return CallResult{true, out, {}};
}

}  // namespace browser
