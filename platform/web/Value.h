#pragma once

#include <string>
#include <utility>
#include <vector>

namespace platform::web {

// A script value as it crosses between the page and the program: what JSON
// can carry. Texts are UTF-8. Members keep the page's order.
struct Value {
    enum class Type { Undefined, Null, Bool, Number, String, Array, Object };

    Type type = Type::Undefined;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<Value> items;
    std::vector<std::pair<std::string, Value>> members;

    static Value null() { return make(Type::Null); }
    static Value of(bool b) { Value v = make(Type::Bool); v.boolean = b; return v; }
    static Value of(double n) { Value v = make(Type::Number); v.number = n; return v; }
    static Value of(int n) { return of(static_cast<double>(n)); }
    static Value of(long long n) { return of(static_cast<double>(n)); }
    static Value of(std::string s) { Value v = make(Type::String); v.text = std::move(s); return v; }
    static Value of(const char* s) { return of(std::string(s)); }
    static Value object() { return make(Type::Object); }
    static Value array() { return make(Type::Array); }

    bool isString() const { return type == Type::String; }
    bool isObject() const { return type == Type::Object; }
    bool isDefined() const { return type != Type::Undefined; }
    // The member of an object, Undefined when absent.
    const Value& member(const std::string& name) const;
    Value& set(const std::string& name, Value value);
    std::string toJson() const;

private:
    static Value make(Type t) { Value v; v.type = t; return v; }
};

}  // namespace platform::web
