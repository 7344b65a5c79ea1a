#include "compress/CffFont.h"

#include <stdexcept>
#include <unordered_map>

#include "compress/CffStandardStrings.h"

namespace {

constexpr int kCharset = 15, kEncoding = 16, kCharStrings = 17, kPrivate = 18, kSubrs = 19;
constexpr int kEscape = 1200;
constexpr int kCustomEncoding = 2;  // any offset above the two predefined encodings
// The format counts items, string numbers and codes in 16 and 8 bits.
constexpr size_t kMaxIndexCount = 0xFFFF;
constexpr int kMaxSid = 0xFFFF;
constexpr int kMaxCount8 = 0xFF;
// Operators the routine tracer may follow in one font, all glyphs together:
// a real subset takes a few hundred thousand at most, a hostile one is cut
// short within milliseconds.
constexpr int kTraceBudget = 4000000;

struct Malformed : std::runtime_error {
    Malformed() : std::runtime_error("malformed compact font program") {}
};

// Bounds-checked reading; any step past the end makes the program unreadable.
class Reader {
public:
    Reader(std::string_view data, size_t pos) : data_(data), pos_(pos) {
        if (pos > data.size()) throw Malformed();
    }
    uint32_t byte() {
        if (pos_ >= data_.size()) throw Malformed();
        return static_cast<uint8_t>(data_[pos_++]);
    }
    uint32_t number(int size) {
        uint32_t value = 0;
        for (int i = 0; i < size; ++i) value = value << 8 | byte();
        return value;
    }
    std::string_view take(size_t n) {
        if (n > data_.size() - pos_) throw Malformed();
        std::string_view part = data_.substr(pos_, n);
        pos_ += n;
        return part;
    }
    size_t pos() const { return pos_; }

    std::vector<std::string> index() {
        uint32_t count = number(2);
        std::vector<std::string> items;
        if (count == 0) return items;
        int offSize = static_cast<int>(byte());
        if (offSize < 1 || offSize > 4) throw Malformed();
        std::vector<uint32_t> offsets(count + 1);
        for (uint32_t& o : offsets) o = number(offSize);
        if (offsets[0] != 1) throw Malformed();
        size_t base = pos_ - 1;
        for (uint32_t i = 0; i < count; ++i) {
            if (offsets[i + 1] < offsets[i]) throw Malformed();
            Reader at(data_, base + offsets[i]);
            items.emplace_back(at.take(offsets[i + 1] - offsets[i]));
        }
        take(offsets[count] - 1);
        return items;
    }

private:
    std::string_view data_;
    size_t pos_;
};

CffFont::Dict parseDict(std::string_view bytes) {
    CffFont::Dict dict;
    std::vector<std::string> operands;
    Reader r(bytes, 0);
    while (r.pos() < bytes.size()) {
        size_t start = r.pos();
        uint32_t b = r.byte();
        if (b <= 21) {
            int op = static_cast<int>(b);
            if (b == 12) op = kEscape + static_cast<int>(r.byte());
            dict.push_back({op, std::move(operands)});
            operands.clear();
            continue;
        }
        if (b == 28) {
            r.take(2);
        } else if (b == 29) {
            r.take(4);
        } else if (b == 30) {
            for (;;) {
                uint32_t nibbles = r.byte();
                if ((nibbles & 0x0f) == 0x0f || (nibbles >> 4) == 0x0f) break;
            }
        } else if (b >= 247 && b <= 254) {
            r.byte();
        } else if (b < 32 || b == 255) {
            throw Malformed();
        }
        operands.emplace_back(bytes.substr(start, r.pos() - start));
    }
    if (!operands.empty()) throw Malformed();
    return dict;
}

int64_t intOf(const std::string& operand) {
    auto b = [&](size_t i) { return static_cast<int64_t>(static_cast<uint8_t>(operand[i])); };
    int64_t b0 = b(0);
    if (b0 >= 32 && b0 <= 246) return b0 - 139;
    if (b0 >= 247 && b0 <= 250) return (b0 - 247) * 256 + b(1) + 108;
    if (b0 >= 251 && b0 <= 254) return -(b0 - 251) * 256 - b(1) - 108;
    if (b0 == 28) return static_cast<int16_t>(b(1) << 8 | b(2));
    if (b0 == 29) return static_cast<int32_t>(uint32_t(b(1) << 24 | b(2) << 16 | b(3) << 8 | b(4)));
    throw Malformed();  // a real number where an integer belongs
}

std::string int5(int64_t value) {
    uint32_t v = static_cast<uint32_t>(value);
    return {char(29), char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

const CffFont::Entry* find(const CffFont::Dict& dict, int op) {
    for (const CffFont::Entry& e : dict)
        if (e.op == op) return &e;
    return nullptr;
}

void putOp(std::string& out, int op) {
    if (op >= kEscape) {
        out += char(12);
        out += char(op - kEscape);
    } else {
        out += char(op);
    }
}

std::string writeDict(const CffFont::Dict& dict) {
    std::string out;
    for (const CffFont::Entry& e : dict) {
        for (const std::string& operand : e.operands) out += operand;
        putOp(out, e.op);
    }
    return out;
}

std::string writeIndex(const std::vector<std::string>& items) {
    if (items.size() > kMaxIndexCount) throw Malformed();
    std::string out;
    out += char(items.size() >> 8);
    out += char(items.size());
    if (items.empty()) return out;
    size_t total = 1;
    for (const std::string& item : items) total += item.size();
    int offSize = total < 0x100 ? 1 : total < 0x10000 ? 2 : total < 0x1000000 ? 3 : 4;
    out += char(offSize);
    auto put = [&](size_t offset) {
        for (int i = offSize - 1; i >= 0; --i) out += char(offset >> (8 * i));
    };
    size_t offset = 1;
    put(offset);
    for (const std::string& item : items) put(offset += item.size());
    for (const std::string& item : items) out += item;
    return out;
}

const std::unordered_map<std::string, int>& standardSids() {
    static const std::unordered_map<std::string, int> sids = [] {
        std::unordered_map<std::string, int> map;
        for (int i = 0; i < kCffStandardStringCount; ++i) map[kCffStandardStrings[i]] = i;
        return map;
    }();
    return sids;
}

bool isSidOperator(int op) {
    return (op >= 0 && op <= 4) || op == kEscape || op == kEscape + 21 || op == kEscape + 22;
}

int bias(size_t count) { return count < 1240 ? 107 : count < 33900 ? 1131 : 32768; }

// Follows the glyph code of type 2 the way a renderer runs it, to learn
// which routines are ever called. Stem hints are counted because the mask
// operators that follow them carry one bit per stem.
class RoutineTracer {
public:
    RoutineTracer(const CffFont& font) : font_(font) {
        local.assign(font.localSubrs.size(), false);
        global.assign(font.globalSubrs.size(), false);
    }

    // False when a routine number is not a plain number, the code cannot
    // be followed with certainty, or the font's step budget is spent.
    bool traceGlyph(const std::string& code) {
        stack_.clear();
        stems_ = 0;
        return run(code, 0) != Result::Uncertain;
    }

    std::vector<bool> local, global;

private:
    enum class Result { Returned, Ended, Uncertain };
    struct Value {
        double number;
        bool literal;
    };

    Result run(const std::string& code, int depth) {
        if (depth > 10) return Result::Uncertain;
        size_t i = 0;
        auto at = [&](size_t k) { return static_cast<uint8_t>(code[k]); };
        while (i < code.size()) {
            if (++steps_ > kTraceBudget) return Result::Uncertain;
            uint8_t b = at(i++);
            if (b >= 32 || b == 28) {
                double v;
                if (b == 28) {
                    if (i + 2 > code.size()) return Result::Uncertain;
                    v = static_cast<int16_t>(at(i) << 8 | at(i + 1));
                    i += 2;
                } else if (b <= 246) {
                    v = b - 139;
                } else if (b <= 250) {
                    if (i >= code.size()) return Result::Uncertain;
                    v = (b - 247) * 256 + at(i++) + 108;
                } else if (b <= 254) {
                    if (i >= code.size()) return Result::Uncertain;
                    v = -(b - 251) * 256 - at(i++) - 108;
                } else {
                    if (i + 4 > code.size()) return Result::Uncertain;
                    uint32_t fixed = uint32_t(at(i)) << 24 | uint32_t(at(i + 1)) << 16 |
                                     uint32_t(at(i + 2)) << 8 | at(i + 3);
                    v = static_cast<int32_t>(fixed) / 65536.0;
                    i += 4;
                }
                if (stack_.size() >= 48) return Result::Uncertain;
                stack_.push_back({v, true});
                continue;
            }
            switch (b) {
                case 1:
                case 3:
                case 18:
                case 23:  // stem hints
                    stems_ += static_cast<int>(stack_.size() / 2);
                    stack_.clear();
                    break;
                case 19:
                case 20: {  // hintmask, cntrmask: an implied vstem, then the mask
                    stems_ += static_cast<int>(stack_.size() / 2);
                    stack_.clear();
                    i += static_cast<size_t>((stems_ + 7) / 8);
                    if (i > code.size()) return Result::Uncertain;
                    break;
                }
                case 10:
                case 29: {  // callsubr, callgsubr
                    if (stack_.empty() || !stack_.back().literal) return Result::Uncertain;
                    double n = stack_.back().number;
                    stack_.pop_back();
                    bool isLocal = b == 10;
                    const auto& table = isLocal ? font_.localSubrs : font_.globalSubrs;
                    if (n != static_cast<int64_t>(n)) return Result::Uncertain;
                    int64_t index = static_cast<int64_t>(n) + bias(table.size());
                    if (index < 0 || index >= static_cast<int64_t>(table.size()))
                        return Result::Uncertain;
                    (isLocal ? local : global)[index] = true;
                    Result r = run(table[index], depth + 1);
                    if (r != Result::Returned) return r;
                    break;
                }
                case 11:
                    return Result::Returned;
                case 14:
                    return Result::Ended;
                case 12: {
                    if (i >= code.size()) return Result::Uncertain;
                    uint8_t e = at(i++);
                    if (e < 34 || e > 37) return Result::Uncertain;  // only the flex family
                    stack_.clear();
                    break;
                }
                case 4:
                case 5:
                case 6:
                case 7:
                case 8:
                case 21:
                case 22:
                case 24:
                case 25:
                case 26:
                case 27:
                case 30:
                case 31:  // path operators
                    stack_.clear();
                    break;
                default:
                    return Result::Uncertain;
            }
        }
        return Result::Returned;  // code that runs off its end, as some routines do
    }

    const CffFont& font_;
    std::vector<Value> stack_;
    int stems_ = 0;
    int steps_ = 0;
};

}  // namespace

std::unique_ptr<CffFont> CffFont::read(std::string_view bytes) {
    try {
        auto font = std::make_unique<CffFont>();
        Reader header(bytes, 0);
        font->major_ = static_cast<uint8_t>(header.byte());
        header.byte();
        uint32_t headerSize = header.byte();
        if (font->major_ != 1) return nullptr;
        Reader r(bytes, headerSize);
        std::vector<std::string> names = r.index();
        std::vector<std::string> tops = r.index();
        if (names.size() != 1 || tops.size() != 1) return nullptr;
        font->name = names[0];
        font->strings = r.index();
        font->globalSubrs = r.index();
        font->top = parseDict(tops[0]);

        for (const Entry& e : font->top)
            if (isSidOperator(e.op))
                for (const std::string& operand : e.operands) intOf(operand);  // no reals
        const Entry* type = find(font->top, kEscape + 6);
        if (find(font->top, kEscape + 30) || find(font->top, kEscape + 36) ||
            (type && (type->operands.size() != 1 || intOf(type->operands[0]) != 2))) {
            return nullptr;  // CID-keyed, or glyph code other than type 2
        }
        const Entry* charStrings = find(font->top, kCharStrings);
        const Entry* priv = find(font->top, kPrivate);
        if (!charStrings || charStrings->operands.size() != 1 || !priv ||
            priv->operands.size() != 2) {
            return nullptr;
        }
        Reader glyphs(bytes, intOf(charStrings->operands[0]));
        font->charStrings = glyphs.index();
        size_t count = font->charStrings.size();
        if (count == 0) return nullptr;

        const Entry* charset = find(font->top, kCharset);
        int64_t charsetOffset =
            charset && charset->operands.size() == 1 ? intOf(charset->operands[0]) : 0;
        if (charsetOffset == 1 || charsetOffset == 2 || (charsetOffset == 0 && count > 229))
            return nullptr;  // the expert charsets are not needed by subset fonts
        font->charset.push_back(0);
        if (charsetOffset == 0) {
            for (size_t g = 1; g < count; ++g) font->charset.push_back(static_cast<int>(g));
        } else {
            Reader c(bytes, charsetOffset);
            uint32_t format = c.byte();
            while (font->charset.size() < count) {
                if (format == 0) {
                    font->charset.push_back(static_cast<int>(c.number(2)));
                } else if (format == 1 || format == 2) {
                    uint32_t first = c.number(2);
                    uint32_t left = c.number(format == 1 ? 1 : 2);
                    for (uint32_t k = 0; k <= left && font->charset.size() < count; ++k)
                        font->charset.push_back(static_cast<int>(first + k));
                } else {
                    return nullptr;
                }
            }
        }

        const Entry* encoding = find(font->top, kEncoding);
        font->encodingOffset_ = encoding && encoding->operands.size() == 1
                                    ? static_cast<int>(intOf(encoding->operands[0]))
                                    : 0;
        if (font->encodingOffset_ > 1) {
            Reader e(bytes, font->encodingOffset_);
            uint32_t format = e.byte();
            if ((format & 0x7f) == 0) {
                e.take(e.byte());
            } else if ((format & 0x7f) == 1) {
                e.take(2 * e.byte());
            } else {
                return nullptr;
            }
            if (format & 0x80) e.take(3 * e.byte());
            font->encodingBytes_ =
                std::string(bytes.substr(font->encodingOffset_, e.pos() - font->encodingOffset_));
        } else if (font->encodingOffset_ < 0) {
            return nullptr;
        }

        int64_t privateSize = intOf(priv->operands[0]);
        int64_t privateOffset = intOf(priv->operands[1]);
        Reader p(bytes, privateOffset);
        font->privateDict = parseDict(p.take(privateSize));
        if (const Entry* subrs = find(font->privateDict, kSubrs)) {
            if (subrs->operands.size() != 1) return nullptr;
            Reader s(bytes, privateOffset + intOf(subrs->operands[0]));
            font->localSubrs = s.index();
        }
        for (int sid : font->charset)
            if (sid >= kCffStandardStringCount + static_cast<int>(font->strings.size()))
                return nullptr;
        return font;
    } catch (const Malformed&) {
        return nullptr;
    }
}

std::string CffFont::write() const {
    try {
        return writeOrThrow();
    } catch (const Malformed&) {
        return std::string();
    }
}

std::string CffFont::writeOrThrow() const {
    std::string charsetBytes;
    charsetBytes += char(0);
    for (size_t g = 1; g < charset.size(); ++g) {
        if (charset[g] < 0 || charset[g] > kMaxSid) throw Malformed();
        charsetBytes += char(charset[g] >> 8);
        charsetBytes += char(charset[g]);
    }

    Dict topOut;
    for (const Entry& e : top)
        if (e.op != kCharset && e.op != kEncoding && e.op != kCharStrings && e.op != kPrivate)
            topOut.push_back(e);
    // Offsets take five bytes each, so the Top DICT's size is known first.
    topOut.push_back({kCharset, {int5(0)}});
    topOut.push_back({kEncoding, {int5(encodingOffset_)}});
    topOut.push_back({kCharStrings, {int5(0)}});
    topOut.push_back({kPrivate, {int5(0), int5(0)}});

    Dict privateOut;
    for (const Entry& e : privateDict)
        if (e.op != kSubrs) privateOut.push_back(e);
    if (!localSubrs.empty()) privateOut.push_back({kSubrs, {int5(0)}});
    size_t privateSize = writeDict(privateOut).size();
    if (!localSubrs.empty()) privateOut.back().operands[0] = int5(privateSize);
    std::string privateBytes = writeDict(privateOut);

    std::string head = {char(major_), char(0), char(4), char(4)};
    head += writeIndex({name});
    size_t topIndexSize = writeIndex({writeDict(topOut)}).size();
    std::string rest = writeIndex(strings) + writeIndex(globalSubrs);
    size_t charsetAt = head.size() + topIndexSize + rest.size();
    size_t encodingAt = charsetAt + charsetBytes.size();
    size_t glyphsAt = encodingAt + (encodingOffset_ > 1 ? encodingBytes_.size() : 0);
    std::string glyphIndex = writeIndex(charStrings);
    size_t privateAt = glyphsAt + glyphIndex.size();

    for (Entry& e : topOut) {
        if (e.op == kCharset) e.operands = {int5(charsetAt)};
        if (e.op == kEncoding && encodingOffset_ > 1) e.operands = {int5(encodingAt)};
        if (e.op == kCharStrings) e.operands = {int5(glyphsAt)};
        if (e.op == kPrivate) e.operands = {int5(privateSize), int5(privateAt)};
    }
    std::string out = head + writeIndex({writeDict(topOut)}) + rest + charsetBytes;
    if (encodingOffset_ > 1) out += encodingBytes_;
    out += glyphIndex + privateBytes;
    if (!localSubrs.empty()) out += writeIndex(localSubrs);
    return out;
}

std::string CffFont::stringOf(int sid) const {
    if (sid < 0) return std::string();  // a negative number where a string belongs
    if (sid < kCffStandardStringCount) return kCffStandardStrings[sid];
    size_t i = static_cast<size_t>(sid - kCffStandardStringCount);
    return i < strings.size() ? strings[i] : std::string();
}

std::string CffFont::glyphName(size_t glyph) const { return stringOf(charset.at(glyph)); }

int CffFont::sidFor(const std::string& text) {
    auto standard = standardSids().find(text);
    if (standard != standardSids().end()) return standard->second;
    for (size_t i = 0; i < strings.size(); ++i)
        if (strings[i] == text) return kCffStandardStringCount + static_cast<int>(i);
    strings.push_back(text);
    return kCffStandardStringCount + static_cast<int>(strings.size() - 1);
}

std::map<int, size_t> CffFont::builtInEncoding() const {
    std::map<int, size_t> codes;
    if (encodingOffset_ <= 1) return codes;
    auto byte = [&](size_t i) { return static_cast<uint8_t>(encodingBytes_[i]); };
    uint8_t format = byte(0);
    size_t pos = 2, n = byte(1);
    size_t glyph = 1;
    if ((format & 0x7f) == 0) {
        for (size_t k = 0; k < n; ++k, ++glyph)
            if (glyph < charStrings.size()) codes.emplace(byte(pos + k), glyph);
        pos += n;
    } else {
        for (size_t k = 0; k < n; ++k) {
            int first = byte(pos + 2 * k);
            int left = byte(pos + 2 * k + 1);
            for (int c = first; c <= first + left && c < 256; ++c, ++glyph)
                if (glyph < charStrings.size()) codes.emplace(c, glyph);
        }
        pos += 2 * n;
    }
    if (format & 0x80) {
        size_t sups = byte(pos++);
        for (size_t k = 0; k < sups; ++k, pos += 3) {
            int sid = byte(pos + 1) << 8 | byte(pos + 2);
            for (size_t g = 0; g < charset.size(); ++g) {
                if (charset[g] == sid) {
                    codes.emplace(byte(pos), g);
                    break;
                }
            }
        }
    }
    return codes;
}

bool CffFont::setEncoding(const std::map<int, size_t>& codes) {
    // Glyphs 1..n in order take their lowest code; every other code is a supplement.
    std::map<size_t, int> firstCode;
    for (auto& [code, glyph] : codes) firstCode.emplace(glyph, code);
    std::string primary;
    size_t glyph = 1;
    for (; firstCode.count(glyph) && primary.size() < 255; ++glyph)
        primary += char(firstCode[glyph]);
    std::string supplements;
    int sups = 0;
    for (auto& [code, g] : codes) {
        if (g < glyph && firstCode[g] == code) continue;
        if (code < 0 || code > kMaxCount8 || g >= charset.size() || charset[g] > kMaxSid)
            return false;
        supplements += char(code);
        supplements += char(charset[g] >> 8);
        supplements += char(charset[g]);
        ++sups;
    }
    if (sups > kMaxCount8) return false;  // the count is one byte
    encodingBytes_.clear();
    encodingBytes_ += char(sups ? 0x80 : 0);
    encodingBytes_ += char(primary.size());
    encodingBytes_ += primary;
    if (sups) encodingBytes_ += char(sups) + supplements;
    encodingOffset_ = kCustomEncoding;
    return true;
}

void CffFont::setGlyphs(std::vector<std::string> glyphCode, const std::vector<std::string>& names) {
    charStrings = std::move(glyphCode);
    charset.assign(1, 0);
    for (const std::string& glyphName : names) charset.push_back(sidFor(glyphName));
}

std::string CffFont::styleKey() const {
    std::string key;
    for (const Entry& e : top) {
        if (e.op == kCharset || e.op == kEncoding || e.op == kCharStrings || e.op == kPrivate)
            continue;
        key += std::to_string(e.op) + ':';
        for (const std::string& operand : e.operands)
            key += isSidOperator(e.op) ? '(' + stringOf(static_cast<int>(intOf(operand))) + ')'
                                       : operand;
        key += ';';
    }
    key += '|';
    for (const Entry& e : privateDict) {
        if (e.op == kSubrs) continue;
        for (const std::string& operand : e.operands) key += operand;
        putOp(key, e.op);
    }
    return key + '|' + writeIndex(localSubrs) + '|' + writeIndex(globalSubrs);
}

bool CffFont::blankUnreachedRoutines(size_t* blanked) {
    RoutineTracer tracer(*this);
    for (const std::string& glyph : charStrings)
        if (!tracer.traceGlyph(glyph)) return false;
    size_t count = 0;
    const std::string bareReturn(1, char(11));
    for (size_t i = 0; i < localSubrs.size(); ++i) {
        if (!tracer.local[i] && localSubrs[i] != bareReturn) {
            localSubrs[i] = bareReturn;
            ++count;
        }
    }
    for (size_t i = 0; i < globalSubrs.size(); ++i) {
        if (!tracer.global[i] && globalSubrs[i] != bareReturn) {
            globalSubrs[i] = bareReturn;
            ++count;
        }
    }
    if (blanked) *blanked = count;
    return true;
}
