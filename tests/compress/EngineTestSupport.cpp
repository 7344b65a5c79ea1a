#include "EngineTestSupport.h"

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "compress/Command.h"

namespace fs = std::filesystem;

namespace enginetest {

uint64_t hashFile(const std::string& path) {
    uint64_t hash = 1469598103934665603ull;  // FNV-1a
    for (unsigned char c : readFile(path)) hash = (hash ^ c) * 1099511628211ull;
    return hash;
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string samplePdf(int pages) {
    std::string kids;
    for (int p = 0; p < pages; ++p) kids += std::to_string(4 + 2 * p) + " 0 R ";
    std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"};
    for (int p = 0; p < pages; ++p) {
        objects.push_back(
            "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << "
            "/Font << /F1 3 0 R >> >> /Contents " +
            std::to_string(5 + 2 * p) + " 0 R >>");
        std::string content;
        for (int line = 0; line < 70; ++line) {
            content += "BT /F1 9 Tf 40 " + std::to_string(800 - line * 11) + " Td (Page " +
                       std::to_string(p + 1) + " line " + std::to_string(line + 1) +
                       ": the quick brown fox jumps over the lazy dog, again and again.) Tj ET\n";
        }
        objects.push_back("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" +
                          content + "endstream");
    }
    return pdfFromObjects(objects);
}

std::string pdfFromObjects(const std::vector<std::string>& objects) {
    std::string pdf = "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n";
    std::string xref = "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t i = 0; i < objects.size(); ++i) {
        std::string offset = std::to_string(pdf.size());
        xref += std::string(10 - offset.size(), '0') + offset + " 00000 n \n";
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    return pdf + xref + "trailer\n<< /Size " + std::to_string(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + std::to_string(pdf.size()) + "\n%%EOF\n";
}

std::string shellOutput(const std::string& command) {
    std::string output;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return output;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
    pclose(pipe);
    return output;
}

std::string renderedPages(const std::string& tool, const std::string& pdf, int dpi) {
    // A folder of its own: the input may lie in a read-only or shared folder.
    std::string pattern = (fs::temp_directory_path() / "varto-render-XXXXXX").string();
    if (!mkdtemp(pattern.data())) return "cannot make a render folder";
    std::string folder = pattern;
    std::string format = tool == "pdftocairo" ? " -png" : "";
    std::string digests = shellOutput(tool + format + " -r " + std::to_string(dpi) + " \"" + pdf +
                                      "\" \"" + folder + "/p\" && cd \"" + folder + "\" && md5sum *");
    fs::remove_all(folder);
    return digests;
}

Props formSettings(const char16_t* dpi) {
    return {{u"dpi", dpi},
            {u"imageQuality", u"75"},
            {u"colorModel", u""},
            {u"webOptimize", u"false"},
            {u"saveFileSuffix", u"_compressed"}};
}

namespace {

// Both stand-ins log their arguments first; qpdf keeps its standard input.
const char* const kScriptStart = R"SH(#!/bin/bash
dir="$(dirname "$0")"; tool="$(basename "$0")"
{ for a in "$@"; do printf '%s\n' "$a"; done; echo "--end--"; } >> "$dir/$tool.log"
mode=$(cat "$dir/$tool.mode" 2>/dev/null || echo real)
case "$mode" in
  litter|sleep) [ $mode = litter ] && touch "${TMPDIR:-/tmp}/${tool}_scratch_$$"
                echo $$ > "$dir/$tool.pid"; exec sleep 30;;
esac
)SH";

const char* const kGsScript = R"SH(out=""; in=""; prev=""
for a in "$@"; do
  case "$a" in -sOutputFile=*) out="${a#-sOutputFile=}";; esac
  [ "$prev" = "-f" ] && in="$a"; prev="$a"
done
out="${out//%%/%}"
case "$mode" in
  real) exec gs "$@";;
  slow) touch "$dir/running.$$"; ls "$dir" | grep -c '^running\.' >> "$dir/gs.overlap"
        sleep 1; rm "$dir/running.$$"; exec gs "$@";;
  same) { head -c 10 "$in"; printf SAME; tail -c +15 "$in"; } > "$out";;
  grow) { cat "$in"; head -c 5000 /dev/zero; } > "$out";;
  onepage) qpdf --empty --pages "$in" 1 -- "$out";;
esac
exit 0
)SH";

const char* const kQpdfScript = R"SH(fromStdin=0
for a in "$@"; do [ "$a" = "@-" ] && fromStdin=1; done
[ $fromStdin = 1 ] && cat > "$dir/qpdf.stdin"
in="${@: -2:1}"; out="${@: -1}"
case "$mode" in
  real) if [ $fromStdin = 1 ]; then exec qpdf "$@" < "$dir/qpdf.stdin"; else exec qpdf "$@"; fi;;
  same) { head -c 10 "$in"; printf SAME; tail -c +15 "$in"; } > "$out";;
  grow) { cat "$in"; head -c 5000 /dev/zero; } > "$out";;
esac
exit 0
)SH";

}  // namespace

EngineEnv::EngineEnv(Tools tools) {
    std::string pattern = (fs::temp_directory_path() / "varto engine XXXXXX").string();
    root_ = mkdtemp(pattern.data()) ? pattern : std::string();
    for (const char* sub : {"tools", "tmp", "config", "bin", "data"})
        fs::create_directories(path(sub));
    std::string gs = "gs", qpdf = "qpdf";
    if (tools == Tools::Recording) {
        writeFile(path("tools/gs"), std::string(kScriptStart) + kGsScript);
        writeFile(path("tools/qpdf"), std::string(kScriptStart) + kQpdfScript);
        fs::permissions(path("tools/gs"), fs::perms::owner_all);
        fs::permissions(path("tools/qpdf"), fs::perms::owner_all);
        gs = "\"" + path("tools/gs") + "\"";
        qpdf = "\"" + path("tools/qpdf") + "\"";
    }
    writeFile(path("install.ini"), "[Settings]\nGsWincCmdline=" + gs + "\nQpdfCmdline=" + qpdf +
                                       "\nBinDir=" + path("bin") + "\n");
    config_ = "[Settings]\n";
    setConfig("gs.useNewPdf", "false");
    // The stand-ins test each step's plumbing, which the designed road runs
    // in a fixed order; the planner's tests switch it back on.
    if (tools == Tools::Recording) setConfig("compress.planner", "false");
    const std::pair<const char*, std::string> variables[] = {
        {"VARTO_INSTALL_INI", path("install.ini")},
        {"VARTO_CONFIG_HOME", path("config")},
        {"TMPDIR", tempFolder()},
        {"XDG_DATA_HOME", path("data")}};
    for (const auto& [name, value] : variables)
        env_.push_back(std::make_unique<ScopedEnv>(name, value));
}

EngineEnv::~EngineEnv() {
    env_.clear();
    std::error_code error;
    if (!root_.empty()) fs::remove_all(root_, error);
}

std::vector<std::string> EngineEnv::tempFiles() const {
    std::vector<std::string> names;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(tempFolder(), error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_regular_file()) names.push_back(fs::relative(it->path(), tempFolder()).string());
    }
    return names;
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
    for (size_t start = 0, end; start < log.size(); start = end + 1) {
        end = std::min(log.find('\n', start), log.size());
        std::string line = log.substr(start, end - start);
        if (line == "--end--")
            result.emplace_back();
        else
            result.back().push_back(line);
    }
    result.pop_back();
    return result;
}

int EngineEnv::waitForPid(const std::string& tool) const {
    std::string text;
    waitUntil(
        [&] {
            text = readFile(path("tools/" + tool + ".pid"));
            return !text.empty() && text.back() == '\n';
        },
        5000);
    return text.empty() ? 0 : std::stoi(text);
}

std::string EngineEnv::add(const std::string& name, const std::string& bytes) {
    fs::create_directories(fs::path(path(name)).parent_path());
    writeFile(path(name), bytes);
    return path(name);
}

std::string EngineEnv::encrypted(const std::string& name, const std::string& password) {
    std::string plain = add("plain-" + password + ".pdf", samplePdf(3));
    fs::create_directories(fs::path(path(name)).parent_path());
    Command command;
    command.commandLine = z("qpdf --encrypt " + password + " owner-" + password + " 256 -- \"" +
                            plain + "\" \"" + path(name) + "\"");
    command.run();
    return path(name);
}

bool processAlive(int pid) {
    std::string status = readFile("/proc/" + std::to_string(pid) + "/stat");
    size_t paren = status.rfind(')');
    return !status.empty() &&
           (paren == std::string::npos || status.size() < paren + 3 || status[paren + 2] != 'Z');
}

std::string corpusFolder() {
    const char* corpus = std::getenv("VARTO_CORPUS");
    if (corpus && fs::is_directory(corpus)) return corpus;
    std::string beside = std::string(VARTO_SOURCE_DIR) + "/../shared/corpus";
    return fs::is_directory(beside) ? beside : std::string();
}

int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace enginetest
