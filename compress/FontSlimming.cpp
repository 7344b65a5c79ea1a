#include "compress/FontSlimming.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "compress/CffFont.h"

// Use the library's current smart-pointer interface without the transition warning.
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

namespace {

bool isName(QPDFObjectHandle object, const char* name) {
    return object.isName() && object.getName() == name;
}

// "ABCDEF+Name" -> "Name": subsets of one font differ only in the tag.
std::string withoutSubsetTag(const std::string& name) {
    if (name.size() > 8 && name[7] == '+' &&
        std::all_of(name.begin() + 1, name.begin() + 7,
                    [](char c) { return c >= 'A' && c <= 'Z'; }))
        return name.substr(8);
    return name;
}

struct Program {
    QPDFObjectHandle stream;
    std::unique_ptr<CffFont> font;
    bool changed = false;
    bool mergeable = true;
    std::string verified;  // the bytes to store when changed, read back and checked
};

// The program's bytes when they read back into the same glyphs and the same
// built-in encoding; empty otherwise.
std::string verifiedBytes(const CffFont& font) {
    std::string bytes = font.write();
    if (bytes.empty()) return bytes;
    auto check = CffFont::read(bytes);
    if (!check || check->charStrings != font.charStrings ||
        check->builtInEncoding() != font.builtInEncoding() || check->charset != font.charset)
        return std::string();
    return bytes;
}

// A font dictionary that shows glyphs of one program.
struct FontUse {
    QPDFObjectHandle font;
    QPDFObjectHandle descriptor;
    Program* program;
    // Codes whose glyph comes from the program's built-in encoding (not
    // named by /Differences or a base encoding), within FirstChar..LastChar.
    std::vector<int> builtInCodes;
};

// Which codes of a font dictionary take their glyph from the program's own
// encoding. None when the dictionary cannot be read with certainty.
std::optional<std::vector<int>> builtInCodes(QPDFObjectHandle font) {
    QPDFObjectHandle encoding = font.getKey("/Encoding");
    std::set<int> named;
    if (encoding.isName()) return std::vector<int>();
    if (encoding.isDictionary()) {
        if (encoding.hasKey("/BaseEncoding")) return std::vector<int>();
        QPDFObjectHandle differences = encoding.getKey("/Differences");
        if (!differences.isNull() && !differences.isArray()) return std::nullopt;
        int code = -1;
        if (differences.isArray()) {
            for (QPDFObjectHandle item : differences.getArrayAsVector()) {
                if (item.isInteger()) {
                    code = item.getIntValueAsInt();
                } else if (item.isName() && code >= 0) {
                    named.insert(code++);
                } else {
                    return std::nullopt;
                }
            }
        }
    } else if (!encoding.isNull()) {
        return std::nullopt;
    }
    QPDFObjectHandle first = font.getKey("/FirstChar"), last = font.getKey("/LastChar");
    int from = first.isInteger() ? first.getIntValueAsInt() : 0;
    int to = last.isInteger() ? last.getIntValueAsInt() : 255;
    std::vector<int> codes;
    for (int c = std::max(from, 0); c <= std::min(to, 255); ++c)
        if (!named.count(c)) codes.push_back(c);
    return codes;
}

// code -> glyph name under a program's built-in encoding
std::map<int, std::string> meanings(const CffFont& font) {
    std::map<int, std::string> names;
    for (auto& [code, glyph] : font.builtInEncoding()) names[code] = font.glyphName(glyph);
    return names;
}

std::string meaningOf(const std::map<int, std::string>& names, int code) {
    auto it = names.find(code);
    return it == names.end() ? ".notdef" : it->second;
}

// Subsets merged into one program.
struct Cluster {
    std::string style;
    std::vector<Program*> members;
    std::map<std::string, const std::string*> glyphs;  // name -> glyph code

    bool accepts(const Program& p, const std::string& key) const {
        if (key != style) return false;
        const CffFont& f = *p.font;
        for (size_t g = 0; g < f.charStrings.size(); ++g) {
            auto it = glyphs.find(f.glyphName(g));
            if (it != glyphs.end() && *it->second != f.charStrings[g]) return false;
        }
        return true;
    }
    void add(Program& p) {
        members.push_back(&p);
        const CffFont& f = *p.font;
        for (size_t g = 0; g < f.charStrings.size(); ++g)
            glyphs.emplace(f.glyphName(g), &f.charStrings[g]);
    }
};

class Slimmer {
public:
    explicit Slimmer(const std::atomic<bool>* cancelled) : cancelled_(cancelled) {}

    void collect(const std::vector<QPDFObjectHandle>& objects) {
        for (QPDFObjectHandle font : objects) {
            if (!font.isDictionary() || !isName(font.getKey("/Type"), "/Font")) continue;
            QPDFObjectHandle descriptor = font.getKey("/FontDescriptor");
            if (!descriptor.isDictionary()) continue;
            QPDFObjectHandle stream = descriptor.getKey("/FontFile3");
            if (!stream.isStream() || !isName(stream.getDict().getKey("/Subtype"), "/Type1C"))
                continue;
            Program* program = programOf(stream);
            if (!program) continue;
            auto codes = builtInCodes(font);
            bool type1 = isName(font.getKey("/Subtype"), "/Type1");
            if (!codes || !type1 || !program->font->hasCustomEncoding() ||
                !font.getKey("/BaseFont").isName()) {
                program->mergeable = false;
                continue;
            }
            uses_.push_back({font, descriptor, program, *codes});
        }
    }

    size_t merge() {
        std::map<std::string, std::vector<Program*>> families;
        std::set<Program*> seen;
        for (FontUse& use : uses_) {
            if (!use.program->mergeable || !seen.insert(use.program).second) continue;
            families[withoutSubsetTag(use.font.getKey("/BaseFont").getName())].push_back(
                use.program);
        }
        size_t folded = 0;
        for (auto& [family, programs] : families) {
            if (stopped()) break;
            std::vector<Cluster> clusters;
            for (Program* p : programs) {
                if (!p->mergeable) continue;
                std::string key = p->font->styleKey();
                auto it = std::find_if(clusters.begin(), clusters.end(),
                                       [&](const Cluster& c) { return c.accepts(*p, key); });
                if (it == clusters.end()) {
                    clusters.push_back({key, {}, {}});
                    it = clusters.end() - 1;
                }
                it->add(*p);
            }
            for (Cluster& c : clusters)
                if (c.members.size() > 1 && mergeCluster(c)) folded += c.members.size() - 1;
        }
        return folded;
    }

    size_t blank() {
        size_t count = 0;
        for (auto& [og, program] : programs_) {
            if (!program.font || stopped()) continue;
            // On a copy: a program that fails its check stays as it was
            // (merged or not).
            CffFont slimmed(*program.font);
            size_t n = 0;
            if (!slimmed.blankUnreachedRoutines(&n) || n == 0) continue;
            std::string bytes = verifiedBytes(slimmed);
            if (bytes.empty()) continue;
            *program.font = std::move(slimmed);
            program.verified = std::move(bytes);
            program.changed = true;
            count += n;
        }
        return count;
    }

    // Writes the changed programs back, each as it was checked.
    void store() {
        for (auto& [og, program] : programs_) {
            if (!program.changed) continue;
            program.stream.replaceStreamData(program.verified, QPDFObjectHandle::newNull(),
                                             QPDFObjectHandle::newNull());
        }
    }

private:
    Program* programOf(QPDFObjectHandle stream) {
        auto [it, inserted] = programs_.try_emplace(stream.getObjGen());
        Program& p = it->second;
        if (inserted) {
            p.stream = stream;
            try {
                auto data = stream.getStreamData(qpdf_dl_generalized);
                p.font = CffFont::read(std::string_view(
                    reinterpret_cast<const char*>(data->getBuffer()), data->getSize()));
            } catch (const std::exception&) {
                p.font.reset();
            }
        }
        return p.font ? &p : nullptr;
    }

    bool mergeCluster(Cluster& c) {
        // The merged encoding: each code to the glyph its first claimant gives it.
        std::map<int, std::string> merged;
        for (Program* p : c.members)
            for (auto& [code, name] : meanings(*p->font))
                if (name != ".notdef") merged.emplace(code, name);
        std::map<std::string, int> lowestCode;
        for (auto& [code, name] : merged) lowestCode.emplace(name, code);

        // .notdef first, then the encoded glyphs by code, then the rest.
        std::vector<std::string> names;
        for (auto& [code, name] : merged)
            if (lowestCode[name] == code) names.push_back(name);
        for (auto& [name, code] : c.glyphs)
            if (name != ".notdef" && !lowestCode.count(name)) names.push_back(name);
        std::vector<std::string> glyphCode = {*c.glyphs.at(".notdef")};
        std::map<std::string, size_t> glyphOf;
        for (const std::string& name : names) {
            glyphOf[name] = glyphCode.size();
            glyphCode.push_back(*c.glyphs.at(name));
        }
        std::map<int, size_t> codes;
        for (auto& [code, name] : merged) codes[code] = glyphOf.at(name);
        if (codes.size() - std::min(codes.size(), names.size()) > 255) return false;

        auto font = std::make_unique<CffFont>(*c.members.front()->font);
        font->setGlyphs(glyphCode, names);
        if (!font->setEncoding(codes) || meanings(*font) != merged) return false;
        // Checked before any dictionary changes: once the fonts point at the
        // merged program it must be the one that gets written.
        std::string bytes = verifiedBytes(*font);
        if (bytes.empty()) return false;

        std::map<int, std::string> mergedMeaning = meanings(*font);
        std::string charSet;
        for (const std::string& name : names) charSet += "/" + name;
        std::set<Program*> members(c.members.begin(), c.members.end());
        for (FontUse& use : uses_) {
            if (!members.count(use.program)) continue;
            std::map<int, std::string> old = meanings(*use.program->font);
            std::map<int, std::string> pins;
            for (int code : use.builtInCodes)
                if (meaningOf(old, code) != meaningOf(mergedMeaning, code))
                    pins[code] = meaningOf(old, code);
            if (!pins.empty()) pin(use.font, pins);
            if (use.descriptor.hasKey("/CharSet"))
                use.descriptor.replaceKey("/CharSet", QPDFObjectHandle::newString(charSet));
            use.descriptor.replaceKey("/FontFile3", c.members.front()->stream);
        }
        Program& kept = *c.members.front();
        for (Program* p : c.members) p->font.reset();
        kept.font = std::move(font);
        kept.verified = std::move(bytes);
        kept.changed = true;
        return true;
    }

    // Writes the codes into the font's own /Differences, keeping what it had.
    static void pin(QPDFObjectHandle font, const std::map<int, std::string>& pins) {
        QPDFObjectHandle old = font.getKey("/Encoding");
        QPDFObjectHandle encoding =
            old.isDictionary() ? old.shallowCopy() : QPDFObjectHandle::newDictionary();
        std::map<int, std::string> names = pins;
        QPDFObjectHandle differences = encoding.getKey("/Differences");
        if (differences.isArray()) {
            int code = 0;
            for (QPDFObjectHandle item : differences.getArrayAsVector()) {
                if (item.isInteger()) {
                    code = item.getIntValueAsInt();
                } else {
                    names[code++] = item.getName();
                }
            }
        }
        QPDFObjectHandle array = QPDFObjectHandle::newArray();
        int next = -1;
        for (auto& [code, name] : names) {
            if (code != next) array.appendItem(QPDFObjectHandle::newInteger(code));
            array.appendItem(QPDFObjectHandle::newName(name[0] == '/' ? name : "/" + name));
            next = code + 1;
        }
        encoding.replaceKey("/Type", QPDFObjectHandle::newName("/Encoding"));
        encoding.replaceKey("/Differences", array);
        font.replaceKey("/Encoding", encoding);
    }

    bool stopped() const { return cancelled_ && cancelled_->load(); }

    const std::atomic<bool>* cancelled_;
    std::map<QPDFObjGen, Program> programs_;
    std::vector<FontUse> uses_;
};

}  // namespace

std::string FontSlimming::run() {
    Slimmer slimmer(cancelled_);
    slimmer.collect(objects_);
    merged = slimmer.merge();
    blanked = slimmer.blank();
    slimmer.store();
    return std::to_string(merged) + " font programs merged, " + std::to_string(blanked) +
           " routines blanked";
}
