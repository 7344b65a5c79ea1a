#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A compact font program (one font, glyph code of type 2) read into its
// parts and written back. CID-keyed programs, other glyph code types and
// anything that does not read exactly are refused: they are left as they are.
class CffFont {
public:
    // One operator of a DICT with its operands as they were encoded.
    struct Entry {
        int op = 0;  // 0..21, or 1200 + the second byte of an escaped operator
        std::vector<std::string> operands;
    };
    using Dict = std::vector<Entry>;

    static std::unique_ptr<CffFont> read(std::string_view bytes);
    // Empty when the program no longer fits the format (more than 65,535
    // glyphs or strings, a string number above 65,535).
    std::string write() const;

    // The glyph's name, whether standard or from the program's strings.
    std::string glyphName(size_t glyph) const;
    std::string stringOf(int sid) const;
    // Number of the string in this program, adding it when new.
    int sidFor(const std::string& name);

    // The built-in encoding: code -> glyph index, for codes that reach a glyph.
    std::map<int, size_t> builtInEncoding() const;
    bool hasCustomEncoding() const { return encodingOffset_ > 1; }
    // Replaces the encoding by one that gives each code its glyph. False,
    // changing nothing, when the codes do not fit the format's byte counts.
    bool setEncoding(const std::map<int, size_t>& codes);
    // Replaces glyphs and charset: names of glyphs 1.. (.notdef stays first).
    void setGlyphs(std::vector<std::string> charStrings, const std::vector<std::string>& names);

    // Top DICT without offsets and Private DICT without Subrs, strings by
    // value: equal for two programs whose glyphs draw the same way.
    std::string styleKey() const;

    // Replaces every routine no glyph reaches with a bare return. False,
    // changing nothing, when a routine number is not a plain number.
    bool blankUnreachedRoutines(size_t* blanked = nullptr);

    std::string name;
    Dict top;
    std::vector<std::string> strings;
    std::vector<std::string> globalSubrs;
    std::vector<std::string> charStrings;
    std::vector<int> charset;  // the string number of each glyph; glyph 0 is .notdef
    Dict privateDict;
    std::vector<std::string> localSubrs;

private:
    std::string writeOrThrow() const;

    uint8_t major_ = 1;
    int encodingOffset_ = 0;     // 0 standard, 1 expert, else custom (encodingBytes_)
    std::string encodingBytes_;  // the custom encoding as read or made
};
