#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace platform::web {

// A script value as it crosses between the page and the program: what JSON
// can carry. Texts are UTF-8. Members keep the page's order.
struct Value {
    enum class Type { Undefined, Null, Bool, Number, String, Array, Object };
    // A named member; a struct rather than std::pair, which would need Value
    // complete here.
    struct Member;

    Type type = Type::Undefined;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<Value> items;
    std::vector<Member> members;

    static Value null();
    static Value of(bool b);
    static Value of(double n);
    static Value of(int n);
    static Value of(long long n);
    static Value of(std::string s);
    static Value of(const char* s);
    static Value object();
    static Value array();

    bool isString() const { return type == Type::String; }
    bool isObject() const { return type == Type::Object; }
    bool isDefined() const { return type != Type::Undefined; }
    // The member of an object, Undefined when absent.
    const Value& member(const std::string& name) const;
    Value& set(const std::string& name, Value value);
    std::string toJson() const;
    // A number of the page as a whole number (fraction dropped) within
    // [low, high]; false for another type, NaN, infinity or out of range, so
    // no page value ever reaches a conversion that is undefined for it.
    bool toInteger(int64_t low, int64_t high, int64_t& out) const;

private:
    static Value make(Type t);
};

struct Value::Member {
    Member(std::string name, Value value) : first(std::move(name)), second(std::move(value)) {}
    std::string first;
    Value second;
};

// Defined here, where Member is complete: a Value's destructor needs it.
inline Value Value::make(Type t) { Value v; v.type = t; return v; }
inline Value Value::null() { return make(Type::Null); }
inline Value Value::of(bool b) { Value v = make(Type::Bool); v.boolean = b; return v; }
inline Value Value::of(double n) { Value v = make(Type::Number); v.number = n; return v; }
inline Value Value::of(int n) { return of(static_cast<double>(n)); }
inline Value Value::of(long long n) { return of(static_cast<double>(n)); }
inline Value Value::of(std::string s) { Value v = make(Type::String); v.text = std::move(s); return v; }
inline Value Value::of(const char* s) { return of(std::string(s)); }
inline Value Value::object() { return make(Type::Object); }
inline Value Value::array() { return make(Type::Array); }

}  // namespace platform::web
