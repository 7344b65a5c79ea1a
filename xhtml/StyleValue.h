#pragma once

#include <cstdint>
#include <map>

#include "base/ZString.h"

namespace xhtml {

// Colours: red in the low byte, then green, then blue (0x00BBGGRR); the top
// byte is 0 for an opaque colour, and 0xFF000000 is "no colour".
using Color = uint32_t;
inline constexpr Color kNoColor = 0xFF000000u;
inline constexpr Color makeColor(uint8_t red, uint8_t green, uint8_t blue) {
    return Color(red) | (Color(green) << 8) | (Color(blue) << 16);
}
inline constexpr uint8_t colorRed(Color c) { return uint8_t(c & 0xFF); }
inline constexpr uint8_t colorGreen(Color c) { return uint8_t((c >> 8) & 0xFF); }
inline constexpr uint8_t colorBlue(Color c) { return uint8_t((c >> 16) & 0xFF); }

// Style states: the four maps every view carries.
inline constexpr int32_t kStateNormal = 0;
inline constexpr int32_t kStateHover = 1;
inline constexpr int32_t kStateLeftDown = 2;
inline constexpr int32_t kStateRightDown = 3;
inline constexpr int32_t kStateCount = 4;

// A tagged value: the low 4 bits of the type word give the kind, bit 16 marks
// a number written with a trailing "%".
class StyleValue {
public:
    enum Kind : uint32_t { Unset = 0, String = 1, Bool = 2, Int = 3, Double = 4, Colour = 5 };
    static constexpr uint32_t kPercentFlag = 16;
    static constexpr uint32_t kKindMask = 15;

    StyleValue() = default;
    StyleValue(const StyleValue& other);
    StyleValue(StyleValue&& other) noexcept;
    StyleValue& operator=(const StyleValue& other);
    StyleValue& operator=(StyleValue&& other) noexcept;
    ~StyleValue();

    static StyleValue makeString(const ZString& text);
    static StyleValue makeBool(bool flag);
    static StyleValue makeInt(int32_t number, bool percent = false);
    static StyleValue makeDouble(double number, bool percent = false);
    static StyleValue makeColor(Color color);

    uint32_t typeWord() const { return type_; }
    Kind kind() const { return Kind(type_ & kKindMask); }
    bool isUnset() const { return kind() == Unset; }
    bool isPercent() const { return (type_ & kPercentFlag) != 0; }
    bool isNumber() const { return kind() == Int || kind() == Double; }

    // Payload readers; each returns its zero for a value of another kind.
    const ZString& asString() const;
    bool asBool() const;
    int32_t asInt() const;
    double asDoublePayload() const;
    Color asColor() const;

    // Number of any kind: unset 0, string read in the "C" locale, bool 1/0,
    // int and colour as numbers. Throws std::runtime_error ("type not
    // supported for toDouble") for a kind above 5.
    double toDouble() const;
    // toDouble truncated toward zero, for integer readers; beyond the int
    // range it saturates, NaN is 0.
    int32_t toInt() const;

    // Equal type words (percent flag included) and equal payloads; two unset
    // values are equal, NaN equals nothing.
    friend bool operator==(const StyleValue& a, const StyleValue& b);

    // For tests and the fuzzers: a raw type word with an empty payload.
    static StyleValue withTypeWord(uint32_t typeWord);

private:
    void destroy() noexcept;

    uint32_t type_ = Unset;
    union {
        ZString* text;
        uint8_t flag;
        int32_t integer;
        double real;
        uint32_t color;
        uint64_t bits;
    } payload_{.bits = 0};
};

// One style state's properties of one view, by property identifier.
using StyleMap = std::map<int32_t, StyleValue>;

}  // namespace xhtml
