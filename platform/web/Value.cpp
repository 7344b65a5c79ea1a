#include "platform/web/Value.h"

#include <cmath>
#include <cstdio>

namespace platform::web {

namespace {

void writeText(const std::string& s, std::string& out) {
    out += '"';
    for (unsigned char c : s) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    out += '"';
}

void write(const Value& v, std::string& out) {
    switch (v.type) {
    case Value::Type::Undefined:
    case Value::Type::Null: out += "null"; break;
    case Value::Type::Bool: out += v.boolean ? "true" : "false"; break;
    case Value::Type::Number: {
        if (!std::isfinite(v.number)) {
            out += "null";
            break;
        }
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.17g", v.number);
        out += buf;
        break;
    }
    case Value::Type::String: writeText(v.text, out); break;
    case Value::Type::Array:
        out += '[';
        for (size_t i = 0; i < v.items.size(); ++i) {
            if (i) out += ',';
            write(v.items[i], out);
        }
        out += ']';
        break;
    case Value::Type::Object:
        out += '{';
        for (size_t i = 0; i < v.members.size(); ++i) {
            if (i) out += ',';
            writeText(v.members[i].first, out);
            out += ':';
            write(v.members[i].second, out);
        }
        out += '}';
        break;
    }
}

}  // namespace

const Value& Value::member(const std::string& name) const {
    static const Value undefined;
    for (const auto& m : members)
        if (m.first == name) return m.second;
    return undefined;
}

Value& Value::set(const std::string& name, Value value) {
    for (auto& m : members)
        if (m.first == name) return m.second = std::move(value);
    members.emplace_back(name, std::move(value));
    return members.back().second;
}

std::string Value::toJson() const {
    std::string out;
    write(*this, out);
    return out;
}

bool Value::toInteger(int64_t low, int64_t high, int64_t& out) const {
    if (type != Type::Number || !std::isfinite(number)) return false;
    const double whole = std::trunc(number);
    // 2^63 itself does not fit; compared as doubles before any cast.
    if (whole >= 9223372036854775808.0 || whole < -9223372036854775808.0) return false;
    const auto value = static_cast<int64_t>(whole);
    if (value < low || value > high) return false;
    out = value;
    return true;
}

}  // namespace platform::web
