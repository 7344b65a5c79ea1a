#include "xhtml/StyleValue.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace xhtml {

StyleValue::StyleValue(const StyleValue& other) : type_(other.type_), payload_(other.payload_) {
    if (kind() == String) payload_.text = new ZString(*other.payload_.text);
}

StyleValue::StyleValue(StyleValue&& other) noexcept : type_(other.type_), payload_(other.payload_) {
    other.type_ = Unset;
    other.payload_.bits = 0;
}

StyleValue& StyleValue::operator=(const StyleValue& other) {
    if (this != &other) {
        StyleValue copy(other);
        *this = std::move(copy);
    }
    return *this;
}

StyleValue& StyleValue::operator=(StyleValue&& other) noexcept {
    if (this != &other) {
        destroy();
        type_ = other.type_;
        payload_ = other.payload_;
        other.type_ = Unset;
        other.payload_.bits = 0;
    }
    return *this;
}

StyleValue::~StyleValue() { destroy(); }

void StyleValue::destroy() noexcept {
    if (kind() == String) delete payload_.text;
    type_ = Unset;
    payload_.bits = 0;
}

StyleValue StyleValue::makeString(const ZString& text) {
    StyleValue v;
    v.type_ = String;
    v.payload_.text = new ZString(text);
    return v;
}

StyleValue StyleValue::makeBool(bool flag) {
    StyleValue v;
    v.type_ = Bool;
    v.payload_.flag = flag ? 1 : 0;
    return v;
}

StyleValue StyleValue::makeInt(int32_t number, bool percent) {
    StyleValue v;
    v.type_ = Int | (percent ? kPercentFlag : 0);
    v.payload_.integer = number;
    return v;
}

StyleValue StyleValue::makeDouble(double number, bool percent) {
    StyleValue v;
    v.type_ = Double | (percent ? kPercentFlag : 0);
    v.payload_.real = number;
    return v;
}

StyleValue StyleValue::makeColor(Color color) {
    StyleValue v;
    v.type_ = Colour;
    v.payload_.color = color;
    return v;
}

StyleValue StyleValue::withTypeWord(uint32_t typeWord) {
    StyleValue v;
    // A string kind without a string would be unsafe to copy or free.
    v.type_ = (typeWord & kKindMask) == String ? Unset : typeWord;
    return v;
}

const ZString& StyleValue::asString() const {
    static const ZString empty;
    return kind() == String ? *payload_.text : empty;
}

bool StyleValue::asBool() const { return kind() == Bool && payload_.flag != 0; }

int32_t StyleValue::asInt() const { return kind() == Int ? payload_.integer : 0; }

double StyleValue::asDoublePayload() const { return kind() == Double ? payload_.real : 0.0; }

Color StyleValue::asColor() const { return kind() == Colour ? payload_.color : kNoColor; }

double StyleValue::toDouble() const {
    switch (kind()) {
    case Unset:
        return 0.0;
    case String:
        return payload_.text->toDouble();
    case Bool:
        return payload_.flag ? 1.0 : 0.0;
    case Int:
        return payload_.integer;
    case Double:
        return payload_.real;
    case Colour:
        return payload_.color;
    }
    throw std::runtime_error("type not supported for toDouble");
}

int32_t StyleValue::toInt() const {
    if (kind() == Int) return payload_.integer;
    const double number = toDouble();
    if (std::isnan(number)) return 0;
    return static_cast<int32_t>(std::clamp(number, double(std::numeric_limits<int32_t>::min()),
                                           double(std::numeric_limits<int32_t>::max())));
}

bool operator==(const StyleValue& a, const StyleValue& b) {
    if (a.type_ != b.type_) return false;
    switch (a.kind()) {
    case StyleValue::Unset:
        return true;
    case StyleValue::String:
        return *a.payload_.text == *b.payload_.text;
    case StyleValue::Bool:
        return a.payload_.flag == b.payload_.flag;
    case StyleValue::Int:
        return a.payload_.integer == b.payload_.integer;
    case StyleValue::Double:
        return a.payload_.real == b.payload_.real;
    case StyleValue::Colour:
        return a.payload_.color == b.payload_.color;
    }
    return a.payload_.bits == b.payload_.bits;
}

}  // namespace xhtml
