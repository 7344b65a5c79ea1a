#include "EngineTestSupport.h"

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

namespace fs = std::filesystem;

namespace enginetest {

ScopedEnv::ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) previous_ = old;
    if (value) {
        setenv(name, value->c_str(), 1);
    } else {
        unsetenv(name);
    }
}

ScopedEnv::~ScopedEnv() {
    if (previous_) {
        setenv(name_.c_str(), previous_->c_str(), 1);
    } else {
        unsetenv(name_.c_str());
    }
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

uint64_t hashFile(const std::string& path) {
    uint64_t hash = 1469598103934665603ull;  // FNV-1a
    for (unsigned char c : readFile(path)) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

ZString z(const std::string& utf8) {
    return ZString::fromUtf8(utf8);
}

std::string u8(const ZString& text) {
    return text.toUtf8();
}

std::vector<std::string> listFiles(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(folder, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_regular_file()) names.push_back(fs::relative(it->path(), folder).string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string samplePdf(int pages) {
    std::vector<std::string> objects;
    objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
    std::string kids;
    for (int p = 0; p < pages; ++p) kids += std::to_string(4 + 2 * p) + " 0 R ";
    objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) +
                      " >>");
    objects.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    for (int p = 0; p < pages; ++p) {
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << "
                          "/Font << /F1 3 0 R >> >> /Contents " +
                          std::to_string(5 + 2 * p) + " 0 R >>");
        std::string content;
        for (int line = 0; line < 70; ++line) {
            content += "BT /F1 9 Tf 40 " + std::to_string(800 - line * 11) +
                       " Td (Page " + std::to_string(p + 1) + " line " +
                       std::to_string(line + 1) +
                       ": the quick brown fox jumps over the lazy dog, again and again.) Tj ET\n";
        }
        objects.push_back("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" +
                          content + "endstream");
    }
    std::string pdf = "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t offset : offsets) {
        std::string number = std::to_string(offset);
        pdf += std::string(10 - number.size(), '0') + number + " 00000 n \n";
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

namespace {

const char* const kGsScript = R"SH(#!/bin/bash
dir="$(dirname "$0")"
{ for a in "$@"; do printf '%s\n' "$a"; done; echo "--end--"; } >> "$dir/gs.log"
mode=$(cat "$dir/gs.mode" 2>/dev/null || echo real)
out=""; in=""; prev=""
for a in "$@"; do
  case "$a" in -sOutputFile=*) out="${a#-sOutputFile=}";; esac
  [ "$prev" = "-f" ] && in="$a"
  prev="$a"
done
out="${out//%%/%}"
case "$mode" in
  real) exec gs "$@";;
  sleep) echo $$ > "$dir/gs.pid"; exec sleep 30;;
  slow) sleep 1; exec gs "$@";;
  same) head -c "$(stat -c %s "$in")" /dev/zero | tr '\0' 'x' > "$out";;
  grow) { cat "$in"; head -c 5000 /dev/zero; } > "$out";;
  onepage) qpdf --empty --pages "$in" 1 -- "$out";;
  none) ;;
esac
exit 0
)SH";

const char* const kQpdfScript = R"SH(#!/bin/bash
dir="$(dirname "$0")"
{ for a in "$@"; do printf '%s\n' "$a"; done; echo "--end--"; } >> "$dir/qpdf.log"
fromStdin=0
for a in "$@"; do [ "$a" = "@-" ] && fromStdin=1; done
[ $fromStdin = 1 ] && cat > "$dir/qpdf.stdin"
mode=$(cat "$dir/qpdf.mode" 2>/dev/null || echo real)
in="${@: -2:1}"; out="${@: -1}"
case "$mode" in
  real) if [ $fromStdin = 1 ]; then exec qpdf "$@" < "$dir/qpdf.stdin"; else exec qpdf "$@"; fi;;
  sleep) echo $$ > "$dir/qpdf.pid"; exec sleep 30;;
  same) head -c "$(stat -c %s "$in")" /dev/zero | tr '\0' 'y' > "$out";;
  grow) { cat "$in"; head -c 5000 /dev/zero; } > "$out";;
  none) ;;
esac
exit 0
)SH";

void writeScript(const std::string& path, const char* text) {
    writeFile(path, text);
    fs::permissions(path, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
}

}  // namespace

EngineEnv::EngineEnv(Tools tools, bool newPdf) {
    std::string pattern = (fs::temp_directory_path() / "varto engine XXXXXX").string();
    root_ = mkdtemp(pattern.data()) ? pattern : std::string();
    for (const char* sub : {"tools", "tmp", "config", "bin", "data"}) fs::create_directories(path(sub));
    std::string gs = "gs";
    std::string qpdf = "qpdf";
    if (tools == Tools::Recording) {
        writeScript(path("tools/gs"), kGsScript);
        writeScript(path("tools/qpdf"), kQpdfScript);
        gs = "\"" + path("tools/gs") + "\"";
        qpdf = "\"" + path("tools/qpdf") + "\"";
    }
    writeFile(path("install.ini"), "[Settings]\nGsWincCmdline=" + gs + "\nQpdfCmdline=" + qpdf +
                                       "\nBinDir=" + path("bin") + "\n");
    config_ = std::string("[Settings]\ngs.useNewPdf=") + (newPdf ? "true" : "false") + "\n";
    writeFile(path("config/config.ini"), config_);
    env_.push_back(std::make_unique<ScopedEnv>("VARTO_INSTALL_INI", path("install.ini")));
    env_.push_back(std::make_unique<ScopedEnv>("VARTO_CONFIG_HOME", path("config")));
    env_.push_back(std::make_unique<ScopedEnv>("TMPDIR", tempFolder()));
    env_.push_back(std::make_unique<ScopedEnv>("XDG_DATA_HOME", path("data")));
}

EngineEnv::~EngineEnv() {
    std::error_code error;
    if (!root_.empty()) fs::remove_all(root_, error);
}

void EngineEnv::setConfig(const std::string& key, const std::string& value) {
    config_ += key + "=" + value + "\n";
    writeFile(path("config/config.ini"), config_);
}

void EngineEnv::setMode(const std::string& tool, const std::string& mode) {
    writeFile(path("tools/" + tool + ".mode"), mode);
}

std::vector<std::vector<std::string>> EngineEnv::runs(const std::string& tool) const {
    std::vector<std::vector<std::string>> result(1);
    std::string log = readFile(path("tools/" + tool + ".log"));
    size_t start = 0;
    while (start < log.size()) {
        size_t end = log.find('\n', start);
        if (end == std::string::npos) end = log.size();
        std::string line = log.substr(start, end - start);
        if (line == "--end--") {
            result.emplace_back();
        } else {
            result.back().push_back(line);
        }
        start = end + 1;
    }
    result.pop_back();
    return result;
}

int EngineEnv::waitForPid(const std::string& tool) const {
    for (int i = 0; i < 500; ++i) {
        std::string text = readFile(path("tools/" + tool + ".pid"));
        if (!text.empty() && text.back() == '\n') return std::stoi(text);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return 0;
}

std::string EngineEnv::add(const std::string& name, const std::string& bytes) {
    std::string file = path(name);
    fs::create_directories(fs::path(file).parent_path());
    writeFile(file, bytes);
    return file;
}

bool processAlive(int pid) {
    // A reaped child has no /proc entry; a zombie would still count as alive.
    std::string status = readFile("/proc/" + std::to_string(pid) + "/stat");
    if (status.empty()) return false;
    size_t paren = status.rfind(')');
    return paren == std::string::npos || status.size() < paren + 3 || status[paren + 2] != 'Z';
}

std::string corpusFolder() {
    if (const char* corpus = std::getenv("VARTO_CORPUS")) {
        if (fs::is_directory(corpus)) return corpus;
    }
    std::string beside = std::string(VARTO_SOURCE_DIR) + "/../shared/corpus";
    return fs::is_directory(beside) ? beside : std::string();
}

int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace enginetest
