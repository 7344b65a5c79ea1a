#include "compress/ObjectSharing.h"

#include <exception>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "compress/Command.h"
#include "compress/CompressionSettings.h"
#include "compress/FontSlimming.h"
#include "suite/Settings.h"

// Use the library's current smart-pointer interface without the transition warning.
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFWriter.hh>

namespace {

bool switchOn(const Props& settings, const char16_t* configKey, const char16_t* settingKey) {
    auto it = settings.find(settingKey);
    if (it != settings.end() && it->second.toLower() == u"false") return false;
    return config_getBool(configKey, true);
}

bool isScalar(QPDFObjectHandle object) {
    return object.isInteger() || object.isReal() || object.isName();
}

// Dictionaries that describe how something looks and never carry identity:
// sharing one copy changes nothing a reader can see. Pages, annotations,
// outline items, structure elements, form fields and optional-content groups
// are not among them.
bool isShareableDictionary(QPDFObjectHandle dict) {
    static const std::vector<std::string> kTypes = {"/Font", "/FontDescriptor", "/Encoding",
                                                    "/ExtGState", "/Pattern"};
    QPDFObjectHandle type = dict.getKey("/Type");
    if (type.isName()) {
        for (const std::string& t : kTypes)
            if (type.getName() == t) return true;
        return false;
    }
    if (dict.hasKey("/FunctionType") || dict.hasKey("/ShadingType")) return true;
    std::set<std::string> keys = dict.getKeys();
    if (keys.empty()) return false;
    if (keys == std::set<std::string>{"/Registry", "/Ordering", "/Supplement"}) return true;
    static const std::set<std::string> kResourceKeys = {"/ExtGState", "/ColorSpace", "/Pattern",
                                                        "/Shading",   "/XObject",    "/Font",
                                                        "/ProcSet",   "/Properties"};
    for (const std::string& key : keys)
        if (!kResourceKeys.count(key)) return false;
    return true;
}

class Sharer {
public:
    explicit Sharer(QPDF& pdf) : pdf_(pdf) {}

    size_t run() {
        classify();
        size_t dropped = 0;
        for (;;) {
            size_t merged = mergeRound();
            if (merged == 0) break;
            dropped += merged;
        }
        if (dropped > 0) rewriteReferences();
        return dropped;
    }

private:
    enum class Kind { Stream, Container };

    void classify() {
        for (QPDFObjectHandle object : pdf_.getAllObjects()) {
            if (object.isStream()) {
                QPDFObjectHandle type = object.getDict().getKey("/Type");
                if (type.isName() && (type.getName() == "/XRef" || type.getName() == "/ObjStm"))
                    continue;
                candidates_.push_back({object, Kind::Stream});
            } else if (object.isDictionary() ? isShareableDictionary(object) : object.isArray()) {
                candidates_.push_back({object, Kind::Container});
            } else {
                continue;
            }
            shareable_.insert(object.getObjGen());
        }
        // Arrays are plain only when everything they point at may be shared.
        std::vector<Candidate> kept;
        for (Candidate& c : candidates_) {
            if (c.object.isArray() && !plainArray(c.object)) {
                shareable_.erase(c.object.getObjGen());
                continue;
            }
            kept.push_back(c);
        }
        candidates_.swap(kept);
    }

    bool plainArray(QPDFObjectHandle array) {
        for (QPDFObjectHandle item : array.getArrayAsVector()) {
            if (item.isIndirect()) {
                if (!isScalar(item) && !shareable_.count(item.getObjGen())) return false;
            } else if (item.isDictionary() || (item.isArray() && !plainArray(item))) {
                return false;
            }
        }
        return true;
    }

    QPDFObjGen canonical(QPDFObjGen og) const {
        for (auto it = replaced_.find(og); it != replaced_.end(); it = replaced_.find(og))
            og = it->second;
        return og;
    }

    // A text equal for two objects exactly when they are the same once merged
    // objects are identified; numbers and names held in their own objects
    // count by value.
    void describe(QPDFObjectHandle object, std::string& out) {
        if (object.isIndirect()) {
            if (isScalar(object)) {
                out += object.unparse();
            } else {
                QPDFObjGen og = canonical(object.getObjGen());
                out += '@' + std::to_string(og.getObj()) + '.' + std::to_string(og.getGen());
            }
            out += ' ';
            return;
        }
        if (object.isArray()) {
            out += '[';
            for (QPDFObjectHandle item : object.getArrayAsVector()) describe(item, out);
            out += "] ";
        } else if (object.isDictionary()) {
            describeDictionary(object, out, false);
        } else if (object.isString()) {
            std::string value = object.getStringValue();
            out += '(' + std::to_string(value.size()) + ':' + value + ") ";
        } else {
            out += object.unparse() + ' ';
        }
    }

    void describeDictionary(QPDFObjectHandle dict, std::string& out, bool streamDict) {
        out += "<<";
        for (auto& [key, value] : dict.getDictAsMap()) {
            if (streamDict && key == "/Length") continue;
            if (value.isNull()) continue;  // a null value is an absent key
            out += key + ' ';
            describe(value, out);
        }
        out += ">> ";
    }

    struct StreamDigest {
        size_t hash = 0;
        size_t size = 0;
    };

    const StreamDigest& digest(QPDFObjectHandle stream) {
        QPDFObjGen og = stream.getObjGen();
        auto it = digests_.find(og);
        if (it != digests_.end()) return it->second;
        auto data = stream.getRawStreamData();
        std::string_view bytes(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
        return digests_[og] = {std::hash<std::string_view>()(bytes), bytes.size()};
    }

    static bool sameRawData(QPDFObjectHandle a, QPDFObjectHandle b) {
        auto x = a.getRawStreamData();
        auto y = b.getRawStreamData();
        return x->getSize() == y->getSize() &&
               std::equal(x->getBuffer(), x->getBuffer() + x->getSize(), y->getBuffer());
    }

    std::string keyOf(QPDFObjectHandle object) {
        std::string key;
        if (object.isStream()) {
            const StreamDigest& d = digest(object);
            key = "S" + std::to_string(d.size) + ':' + std::to_string(d.hash) + ' ';
            describeDictionary(object.getDict(), key, true);
        } else {
            if (object.isArray()) {
                key = "A[";
                for (QPDFObjectHandle item : object.getArrayAsVector()) describe(item, key);
            } else {
                key = "D";
                describeDictionary(object, key, false);
            }
        }
        return key;
    }

    size_t mergeRound() {
        std::unordered_map<std::string, QPDFObjectHandle> first;
        size_t merged = 0;
        std::vector<Candidate> remaining;
        for (Candidate& c : candidates_) {
            auto [it, inserted] = first.emplace(keyOf(c.object), c.object);
            if (!inserted && (c.kind == Kind::Container || sameRawData(it->second, c.object))) {
                replaced_[c.object.getObjGen()] = it->second.getObjGen();
                ++merged;
                continue;
            }
            remaining.push_back(c);
        }
        candidates_.swap(remaining);
        return merged;
    }

    QPDFObjectHandle replacement(QPDFObjectHandle item) {
        if (!item.isIndirect()) return item;
        QPDFObjGen og = item.getObjGen();
        if (!replaced_.count(og)) return item;
        return pdf_.getObject(canonical(og));
    }

    // Replaces references inside one object's direct parts.
    void rewrite(QPDFObjectHandle object) {
        if (object.isStream()) object = object.getDict();
        if (object.isArray()) {
            int n = object.getArrayNItems();
            for (int i = 0; i < n; ++i) {
                QPDFObjectHandle item = object.getArrayItem(i);
                if (item.isIndirect()) {
                    QPDFObjectHandle to = replacement(item);
                    if (to.getObjGen() != item.getObjGen()) object.setArrayItem(i, to);
                } else {
                    rewrite(item);
                }
            }
        } else if (object.isDictionary()) {
            for (auto& [key, item] : object.getDictAsMap()) {
                if (item.isIndirect()) {
                    QPDFObjectHandle to = replacement(item);
                    if (to.getObjGen() != item.getObjGen()) object.replaceKey(key, to);
                } else {
                    rewrite(item);
                }
            }
        }
    }

    void rewriteReferences() {
        for (QPDFObjectHandle object : pdf_.getAllObjects()) {
            if (!replaced_.count(object.getObjGen())) rewrite(object);
        }
        QPDFObjectHandle trailer = pdf_.getTrailer();
        rewrite(trailer);
    }

    struct Candidate {
        QPDFObjectHandle object;
        Kind kind;
    };

    QPDF& pdf_;
    std::vector<Candidate> candidates_;
    std::set<QPDFObjGen> shareable_;
    std::map<QPDFObjGen, QPDFObjGen> replaced_;  // dropped copy -> the copy it equals
    std::map<QPDFObjGen, StreamDigest> digests_;
};

}  // namespace

bool ObjectSharing::sharingEnabled(const Props& settings) {
    return switchOn(settings, u"compress.shareObjects", u"shareObjects");
}

bool ObjectSharing::slimmingEnabled(const Props& settings) {
    return switchOn(settings, u"compress.slimFonts", u"slimFonts");
}

size_t ObjectSharing::shareObjects(QPDF& pdf) { return Sharer(pdf).run(); }

bool ObjectSharing::run(const ZString& inputPath, const ZString& outputPath,
                        const Props& settings) {
    bool share = sharingEnabled(settings);
    bool slim = slimmingEnabled(settings);
    if (!share && !slim) return false;
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processFile(inputPath.toUtf8().c_str());
        if (pdf.isEncrypted()) {
            printLogLine(u"Object sharing skipped: the file is encrypted");
            return false;
        }
        std::string summary = "Object sharing:";
        if (share) summary += " " + std::to_string(shareObjects(pdf)) + " copies dropped";
        if (slim) summary += (share ? ", " : " ") + FontSlimming(pdf).run();
        // The writer keeps the name's pointer until write(): the string must outlive it.
        const std::string outputName = outputPath.toUtf8();
        QPDFWriter writer(pdf, outputName.c_str());
        writer.setObjectStreamMode(qpdf_o_generate);
        writer.setDecodeLevel(qpdf_dl_none);  // encoded streams are kept as they are
        writer.setLinearization(getBoolSetting(settings, u"webOptimize"));
        writer.write();
        printLogLine(ZString::fromUtf8(summary));
        return true;
    } catch (const std::exception& e) {
        printLogLine(ZString(u"Object sharing skipped: ") + ZString::fromUtf8(e.what()));
        return false;
    }
}
