#include "compress/ObjectSharing.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "compress/Command.h"
#include "compress/CompressionSettings.h"
#include "compress/FontSlimming.h"
#include "compress/PageCount.h"
#include "compress/StreamReencoder.h"
#include "platform/Fs.h"
#include "suite/Settings.h"

// Use the library's current smart-pointer interface without the transition warning.
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/Buffer.hh>
#include <qpdf/Pl_Flate.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFWriter.hh>

namespace {

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

struct Cancelled : std::runtime_error {
    Cancelled() : std::runtime_error("cancelled") {}
};

// The writer reports its progress often; a cancelled run stops it there.
class CancelCheck : public QPDFWriter::ProgressReporter {
public:
    explicit CancelCheck(const std::atomic<bool>* cancelled) : cancelled_(cancelled) {}
    void reportProgress(int) override {
        if (cancelled_ && cancelled_->load()) throw Cancelled();
    }

private:
    const std::atomic<bool>* cancelled_;
};

struct ObjGenHash {
    size_t operator()(QPDFObjGen og) const {
        return std::hash<long long>()(static_cast<long long>(og.getObj()) << 16 ^ og.getGen());
    }
};

class Sharer {
public:
    Sharer(QPDF& pdf, const std::vector<QPDFObjectHandle>& objects)
        : pdf_(pdf), objects_(objects) {}

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

    bool isDropped(QPDFObjGen og) const { return replaced_.count(og) > 0; }

private:
    enum class Kind { Stream, Container };

    struct Candidate {
        QPDFObjectHandle object;
        Kind kind;
        std::string shape;
        std::vector<QPDFObjGen> refs;  // the shape's slots, in order
        size_t shapeHash = 0;
    };

    void classify() {
        for (QPDFObjectHandle object : objects_) {
            if (object.isStream()) {
                QPDFObjectHandle type = object.getDict().getKey("/Type");
                if (type.isName() && (type.getName() == "/XRef" || type.getName() == "/ObjStm"))
                    continue;
                candidates_.push_back({object, Kind::Stream, {}, {}, 0});
            } else if (object.isDictionary() ? isShareableDictionary(object) : object.isArray()) {
                candidates_.push_back({object, Kind::Container, {}, {}, 0});
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
            kept.push_back(std::move(c));
        }
        candidates_.swap(kept);
        for (Candidate& c : candidates_) {
            describeCandidate(c);
            kept_.push_back(&c);
        }
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

    // An object's text with every reference to a shareable object left as a
    // slot, filled with the kept copy's number in each round; numbers and
    // names held in their own objects count by value.
    void describe(QPDFObjectHandle object, Candidate& c) {
        std::string& out = c.shape;
        if (object.isIndirect()) {
            if (isScalar(object)) {
                out += object.unparseResolved();
            } else {
                out += '@';
                c.refs.push_back(object.getObjGen());
            }
            out += ' ';
            return;
        }
        if (object.isArray()) {
            out += '[';
            for (QPDFObjectHandle item : object.getArrayAsVector()) describe(item, c);
            out += "] ";
        } else if (object.isDictionary()) {
            describeDictionary(object, c, false);
        } else if (object.isString()) {
            std::string value = object.getStringValue();
            out += '(' + std::to_string(value.size()) + ':' + value + ") ";
        } else {
            out += object.unparse() + ' ';
        }
    }

    void describeDictionary(QPDFObjectHandle dict, Candidate& c, bool streamDict) {
        c.shape += "<<";
        for (auto& [key, value] : dict.getDictAsMap()) {
            if (streamDict && key == "/Length") continue;
            if (value.isNull()) continue;  // a null value is an absent key
            c.shape += key + ' ';
            describe(value, c);
        }
        c.shape += ">> ";
    }

    static std::string_view rawData(const std::shared_ptr<Buffer>& data) {
        return {reinterpret_cast<const char*>(data->getBuffer()), data->getSize()};
    }

    // The stream's bytes count through their size and hash; equal keys are
    // confirmed byte by byte before a copy is dropped.
    void describeCandidate(Candidate& c) {
        if (c.object.isStream()) {
            auto data = c.object.getRawStreamData();
            std::string_view bytes = rawData(data);
            c.shape = "S" + std::to_string(bytes.size()) + ':' +
                      std::to_string(std::hash<std::string_view>()(bytes)) + ' ';
            describeDictionary(c.object.getDict(), c, true);
        } else if (c.object.isArray()) {
            c.shape = "A[";
            for (QPDFObjectHandle item : c.object.getArrayAsVector()) describe(item, c);
        } else {
            c.shape = "D";
            describeDictionary(c.object, c, false);
        }
        c.shapeHash = std::hash<std::string>()(c.shape);
    }

    static bool sameRawData(QPDFObjectHandle a, QPDFObjectHandle b) {
        auto x = a.getRawStreamData();
        auto y = b.getRawStreamData();
        return rawData(x) == rawData(y);
    }

    // A candidate's shape with its slots filled as the merges stand now.
    struct Key {
        const Candidate* candidate;
        std::vector<QPDFObjGen> refs;
        size_t hash;
        bool operator==(const Key& other) const {
            return hash == other.hash && refs == other.refs &&
                   candidate->shape == other.candidate->shape;
        }
    };
    struct KeyHash {
        size_t operator()(const Key& key) const { return key.hash; }
    };

    Key keyOf(const Candidate& c) const {
        Key key{&c, {}, c.shapeHash};
        key.refs.reserve(c.refs.size());
        for (QPDFObjGen og : c.refs) {
            og = canonical(og);
            key.refs.push_back(og);
            key.hash = key.hash * 1000003 ^ ObjGenHash()(og);
        }
        return key;
    }

    // Each candidate is compared with the first earlier one of equal key;
    // merges made earlier in the round already count.
    size_t mergeRound() {
        std::unordered_map<Key, const Candidate*, KeyHash> first;
        first.reserve(kept_.size());
        size_t merged = 0;
        std::vector<const Candidate*> remaining;
        for (const Candidate* c : kept_) {
            auto [it, inserted] = first.emplace(keyOf(*c), c);
            if (!inserted &&
                (c->kind == Kind::Container || sameRawData(it->second->object, c->object))) {
                replaced_[c->object.getObjGen()] = it->second->object.getObjGen();
                ++merged;
                continue;
            }
            remaining.push_back(c);
        }
        kept_.swap(remaining);
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
        for (QPDFObjectHandle object : objects_) {
            if (!replaced_.count(object.getObjGen())) rewrite(object);
        }
        QPDFObjectHandle trailer = pdf_.getTrailer();
        rewrite(trailer);
    }

    QPDF& pdf_;
    const std::vector<QPDFObjectHandle>& objects_;
    std::vector<Candidate> candidates_;
    std::vector<const Candidate*> kept_;  // the candidates not dropped so far, in number order
    std::set<QPDFObjGen> shareable_;
    // dropped copy -> the copy it equals
    std::unordered_map<QPDFObjGen, QPDFObjGen, ObjGenHash> replaced_;
};

// Last, so that only the copies kept are re-encoded.
size_t reencodeStreams(const ZString& inputPath, const std::vector<QPDFObjectHandle>& objects,
                       const std::atomic<bool>* cancelled) {
    // The object streams are made by the writer with zlib: its strongest
    // level for them too (the library's default is zlib's middle one).
    static std::once_flag strongest;
    std::call_once(strongest, [] { Pl_Flate::setCompressionLevel(9); });
    std::error_code error;
    uintmax_t size = std::filesystem::file_size(inputPath.toUtf8(), error);
    StreamReencoder reencoder(objects, StreamReencoder::timeLimitFor(error ? 0 : size),
                              StreamReencoder::progressiveJpeg(), cancelled);
    printLogLine(ZString::fromUtf8(reencoder.run()));
    return reencoder.reencoded();
}

}  // namespace

bool ObjectSharing::sharingEnabled(const Props& settings) {
    return stepSwitchOn(settings, u"compress.shareObjects", u"shareObjects");
}

bool ObjectSharing::slimmingEnabled(const Props& settings) {
    return stepSwitchOn(settings, u"compress.slimFonts", u"slimFonts");
}

std::vector<QPDFObjectHandle> ObjectSharing::objectsOf(QPDF& pdf) {
    // The cross-reference table lists them all; the library's own list
    // would first walk every reference in the file looking for missing ones.
    std::vector<QPDFObjectHandle> objects;
    for (auto& [og, entry] : pdf.getXRefTable()) objects.push_back(pdf.getObject(og));
    return objects;
}

size_t ObjectSharing::shareObjects(QPDF& pdf, std::vector<QPDFObjectHandle>& objects) {
    Sharer sharer(pdf, objects);
    size_t dropped = sharer.run();
    if (dropped > 0)
        std::erase_if(objects, [&](QPDFObjectHandle o) { return sharer.isDropped(o.getObjGen()); });
    return dropped;
}

bool ObjectSharing::run(const ZString& inputPath, const ZString& outputPath, const Props& settings,
                        int64_t* pages, const std::atomic<bool>* cancelled) {
    bool share = sharingEnabled(settings);
    bool slim = slimmingEnabled(settings);
    bool reencode = StreamReencoder::enabled(settings);
    if (!share && !slim && !reencode) return false;
    auto start = std::chrono::steady_clock::now();
    // The step's own time, for the log: the benchmark adds it up.
    auto timed = [&](const std::string& line) {
        char seconds[32];
        std::snprintf(
            seconds, sizeof seconds, " in %.2f s",
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        printLogLine(ZString::fromUtf8(line + seconds));
    };
    auto stopIfCancelled = [cancelled] {
        if (cancelled && cancelled->load()) throw Cancelled();
    };
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processFile(inputPath.toUtf8().c_str());
        if (pdf.isEncrypted()) {
            printLogLine(u"Object sharing skipped: the file is encrypted");
            return false;
        }
        stopIfCancelled();
        std::vector<QPDFObjectHandle> objects = objectsOf(pdf);
        size_t changes = 0;
        std::string summary = "Object sharing:";
        if (share) {
            size_t dropped = shareObjects(pdf, objects);
            changes += dropped;
            summary += " " + std::to_string(dropped) + " copies dropped";
        }
        stopIfCancelled();
        if (slim) {
            FontSlimming slimming(objects, cancelled);
            summary += (share ? ", " : " ") + slimming.run();
            changes += slimming.merged + slimming.blanked;
        }
        stopIfCancelled();
        if (!share && !slim) summary += " sharing and slimming off";
        if (reencode) changes += reencodeStreams(inputPath, objects, cancelled);
        stopIfCancelled();
        if (changes == 0) {
            // Writing would only repeat the qpdf step's work.
            timed(summary + ", nothing to write");
            return false;
        }
        // The writer keeps the name's pointer until write(): the string must outlive it.
        const std::string outputName = outputPath.toUtf8();
        QPDFWriter writer(pdf, outputName.c_str());
        writer.setObjectStreamMode(qpdf_o_generate);
        writer.setDecodeLevel(qpdf_dl_none);  // encoded streams are kept as they are
        writer.setLinearization(getBoolSetting(settings, u"webOptimize"));
        writer.registerProgressReporter(std::make_shared<CancelCheck>(cancelled));
        writer.write();
        // From the file as written, not the document in memory: the count
        // is what the page-count guard relies on.
        if (pages) *pages = pdfPageCount(outputPath);
        timed(summary);
        return true;
    } catch (const Cancelled&) {
        platform::fs::removeFile(outputPath);
        timed("Object sharing cancelled");
        return false;
    } catch (const std::exception& e) {
        timed(std::string("Object sharing skipped: ") + e.what());
        return false;
    }
}
