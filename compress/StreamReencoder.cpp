#include "compress/StreamReencoder.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <exception>
#include <thread>
#include <time.h>

#include "compress/CompressionSettings.h"
#include "compress/DeflateRecoder.h"
#include "compress/JpegTranscode.h"
#include "suite/Settings.h"

#define POINTERHOLDER_TRANSITION 4
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

namespace {

// Files being compressed at this moment in this process.
std::atomic<unsigned> gBusy{0};

// Streams this small gain nothing worth the work.
constexpr size_t kSmallest = 64;

std::optional<std::vector<std::string>> filterNames(QPDFObjectHandle dict) {
    QPDFObjectHandle filter = dict.getKey("/Filter");
    std::vector<std::string> names;
    if (filter.isNull()) return names;
    if (filter.isName()) return std::vector<std::string>{filter.getName()};
    if (!filter.isArray()) return std::nullopt;
    for (QPDFObjectHandle item : filter.getArrayAsVector()) {
        if (!item.isName()) return std::nullopt;
        names.push_back(item.getName());
    }
    return names;
}

// Filters whose decoding libqpdf does itself and whose output Flate holds as well.
bool decodableToFlate(const std::vector<std::string>& names) {
    bool other = false;
    for (const std::string& name : names) {
        if (name == "/LZWDecode" || name == "/RunLengthDecode" || name == "/ASCII85Decode" ||
            name == "/ASCIIHexDecode")
            other = true;
        else if (name != "/FlateDecode")
            return false;
    }
    return other;
}

// Images, and page content with the other streams whose dictionary names
// nothing but their length and filters (character maps, glyph procedures):
// most of a file's Deflate data, where Deflate's strongest levels save a
// third as much per second as on form drawings. They get the light level,
// or the step would take a quarter as long as the rest of the run.
bool bulkOfDeflate(QPDFObjectHandle dict) {
    if (dict.getKey("/Subtype").isNameAndEquals("/Image")) return true;
    for (const std::string& key : dict.getKeys())
        if (key != "/Length" && key != "/Filter" && key != "/DecodeParms") return false;
    return true;
}

// Processor time of the calling thread.
int64_t cpuMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

std::string bytesOf(const std::shared_ptr<Buffer>& buffer) {
    return {reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize()};
}

}  // namespace

struct StreamReencoder::Job {
    enum class Action { Transcode, Recode, Compress };
    QPDFObjectHandle stream;
    Kind kind;
    Action action;
    size_t encodedSize;  // the stream's bytes as they are now
    bool bulk;           // see bulkOfDeflate()
    std::string input;   // raw bytes, or decoded ones for Compress
    std::optional<std::string> output;
    bool done = false;
};

bool StreamReencoder::enabled(const Props& settings) {
    return stepSwitchOn(settings, u"compress.reencode", u"reencode");
}

bool StreamReencoder::progressiveJpeg() {
    return config_getBool(u"compress.progressiveJpeg", false);
}

double StreamReencoder::timeLimitFor(uint64_t fileBytes) {
    // Enough for a file of compressed text (its streams decode to about
    // four times their size; Deflate at our level takes under a second per
    // decoded megabyte), two seconds at least for small files.
    return 2.0 + 2.0 * static_cast<double>(fileBytes) / 1e6;
}

StreamReencoder::BusyFile::BusyFile() {
    ++gBusy;
}

StreamReencoder::BusyFile::~BusyFile() {
    --gBusy;
}

unsigned StreamReencoder::threadsFor(unsigned cores, unsigned busy) {
    busy = std::max(busy, 1u);
    return cores > busy ? cores - busy + 1 : 1;
}

StreamReencoder::StreamReencoder(const std::vector<QPDFObjectHandle>& objects,
                                 double secondsLimit, bool progressive,
                                 const std::atomic<bool>* cancelled)
    : objects_(objects), secondsLimit_(secondsLimit), progressive_(progressive),
      cancelled_(cancelled) {}

StreamReencoder::~StreamReencoder() = default;

void StreamReencoder::collect() {
    for (QPDFObjectHandle object : objects_) {
        if (stopped()) return;
        if (!object.isStream()) continue;
        QPDFObjectHandle dict = object.getDict();
        QPDFObjectHandle type = dict.getKey("/Type");
        // The writer makes these anew; /F streams keep their data elsewhere.
        if (type.isNameAndEquals("/XRef") || type.isNameAndEquals("/ObjStm") || dict.hasKey("/F"))
            continue;
        std::optional<std::vector<std::string>> names = filterNames(dict);
        if (!names) continue;
        Job job{object, Kind::Other, Job::Action::Compress, 0, bulkOfDeflate(dict), {}, {}, false};
        try {
            if (names->size() == 1 && names->front() == "/DCTDecode") {
                job.kind = Kind::Jpeg;
                job.action = Job::Action::Transcode;
            } else if (!names->empty() && names->front() == "/FlateDecode") {
                // Only the outer layer changes: its parameters and the
                // filters after it see the same bytes.
                job.kind = Kind::Flate;
                job.action = Job::Action::Recode;
            } else if (names->empty()) {
                // Metadata stays readable as text, as the writer leaves it.
                if (type.isNameAndEquals("/Metadata")) continue;
            } else if (!decodableToFlate(*names)) {
                continue;
            }
            job.input = bytesOf(object.getRawStreamData());
            job.encodedSize = job.input.size();
            if (job.encodedSize < kSmallest) continue;
            if (job.action == Job::Action::Compress && !names->empty()) {
                // Decoded by the library; any warning means it did not decode cleanly.
                QPDF* owner = object.getOwningQPDF();
                size_t warnings = owner ? owner->numWarnings() : 0;
                job.input = bytesOf(object.getStreamData(qpdf_dl_specialized));
                if (owner && owner->numWarnings() != warnings) continue;
            }
        } catch (const std::exception&) {
            continue;  // unreadable: left as it is
        }
        Totals& t = totals_[static_cast<int>(job.kind)];
        ++t.streams;
        t.before += job.encodedSize;
        jobs_.push_back(std::move(job));
    }
}

void StreamReencoder::encodeAll() {
    // Largest first: the threads end together and the time limit, when it
    // comes, leaves the small streams.
    std::vector<Job*> order;
    for (Job& job : jobs_) order.push_back(&job);
    std::stable_sort(order.begin(), order.end(),
                     [](const Job* a, const Job* b) { return a->input.size() > b->input.size(); });
    // The limit counts the threads' processor time, so that a busy machine
    // makes the step slower, as it does every step, but not worse.
    const int64_t limit = static_cast<int64_t>(secondsLimit_ * 1e6);
    std::atomic<int64_t> used{0};  // microseconds
    std::atomic<size_t> next{0};
    auto work = [&] {
        int64_t counted = cpuMicroseconds();
        auto account = [&] {
            int64_t now = cpuMicroseconds();
            used += now - counted;
            counted = now;
        };
        // Deflate at our level needs up to a second per megabyte on a slow
        // machine: data larger than the time left allows stays as it is.
        auto affordable = [&](const std::string& data) {
            return static_cast<int64_t>(data.size()) < limit - used.load();
        };
        try {
            DeflateRecoder deflate;
            JpegTranscode jpeg(progressive_, cancelled_);
            for (;;) {
                account();
                if (used.load() >= limit || stopped()) return;
                size_t i = next++;
                if (i >= order.size()) return;
                Job& job = *order[i];
                switch (job.action) {
                case Job::Action::Transcode:
                    job.output = jpeg.transcode(job.input);
                    break;
                case Job::Action::Recode:
                    if (std::optional<std::string> decoded = deflate.inflate(job.input))
                        if (affordable(*decoded))
                            job.output = deflate.deflate(*decoded, job.bulk);
                    break;
                case Job::Action::Compress:
                    if (affordable(job.input)) job.output = deflate.deflate(job.input);
                    break;
                }
                job.done = true;
            }
        } catch (const std::exception&) {
            // Out of memory: the streams not done stay as they are.
        }
    };
    threads_ = std::max<size_t>(
        1, std::min<size_t>(threadsFor(std::thread::hardware_concurrency(), gBusy.load()),
                            order.size()));
    std::vector<std::thread> helpers;
    for (unsigned i = 1; i < threads_; ++i) helpers.emplace_back(work);
    work();
    for (std::thread& t : helpers) t.join();
    cpuSeconds_ = static_cast<double>(used.load()) / 1e6;
}

void StreamReencoder::apply() {
    for (Job& job : jobs_) {
        Totals& t = totals_[static_cast<int>(job.kind)];
        if (!job.done) ++notStarted_;
        if (!job.done || !job.output || job.output->size() >= job.encodedSize) {
            t.after += job.encodedSize;
            continue;
        }
        QPDFObjectHandle dict = job.stream.getDict();
        if (job.action == Job::Action::Compress)
            job.stream.replaceStreamData(*job.output, QPDFObjectHandle::newName("/FlateDecode"),
                                         QPDFObjectHandle::newNull());
        else
            job.stream.replaceStreamData(*job.output, dict.getKey("/Filter"),
                                         dict.getKey("/DecodeParms"));
        ++t.smaller;
        t.after += job.output->size();
        ++reencoded_;
    }
    jobs_.clear();
}

std::string StreamReencoder::run() {
    auto start = std::chrono::steady_clock::now();
    collect();
    encodeAll();
    if (stopped()) {
        // Half the streams done would be a result nobody asked for.
        jobs_.clear();
        return "Re-encoding cancelled";
    }
    apply();
    std::string line = "Re-encoding: " + std::to_string(reencoded_) + " streams smaller";
    const char* names[] = {"JPEG", "Flate", "other"};
    for (int k = 0; k < 3; ++k) {
        const Totals& t = totals_[k];
        line += std::string(k == 0 ? " (" : "; ") + names[k] + " " + std::to_string(t.smaller) +
                " of " + std::to_string(t.streams) + ": " + std::to_string(t.before) + " to " +
                std::to_string(t.after) + " bytes";
    }
    line += ")";
    if (notStarted_ > 0)
        line += ", time limit reached with " + std::to_string(notStarted_) + " streams left";
    char seconds[96];
    std::snprintf(seconds, sizeof seconds, " on %u threads, %.2f s of processor time, in %.2f s",
                  threads_, cpuSeconds_,
                  std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    return line + seconds;
}
