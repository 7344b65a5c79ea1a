#pragma once

// Shared by the engine and batch command tests: a private environment
// (install.ini, config, temporary folder), recording stand-ins for gs and
// qpdf, small PDFs.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Props.h"
#include "base/ZString.h"
#include "tests/support/TestSupport.h"

namespace enginetest {

using testsupport::readFile;
using testsupport::ScopedEnv;
using testsupport::writeFile;
uint64_t hashFile(const std::string& path);
inline ZString z(const std::string& utf8) { return ZString::fromUtf8(utf8); }
inline std::string u8(const ZString& text) { return text.toUtf8(); }
bool contains(const std::string& text, const std::string& part);

// A valid PDF with pages of uncompressed text, so both tools make it smaller.
std::string samplePdf(int pages);
// A PDF of these objects, numbered from 1; object 1 is the catalog.
std::string pdfFromObjects(const std::vector<std::string>& objects);

// One line per page, "<digest>  <page file>", of the pages as the tool
// ("pdftoppm" or "pdftocairo") renders them at dpi; empty when it cannot.
std::string renderedPages(const std::string& tool, const std::string& pdf, int dpi);
// Runs a shell command, giving back its standard output and error.
std::string shellOutput(const std::string& command);

// The form's defaults with another "dpi".
Props formSettings(const char16_t* dpi = u"144");

enum class Tools { Real, Recording };

// Its own folder (with a space in its name), install.ini, config and TMPDIR.
// With Recording tools the planner is off ("compress.planner" false), so
// Ghostscript runs on every PDF as designed.
// With Recording tools, "gs" and "qpdf" are scripts that append their
// arguments (one per line, then "--end--") to <tool>.log, keep qpdf's
// standard input in qpdf.stdin, then act by <tool>.mode:
//   real   run the real tool with the same arguments (the default)
//   sleep  write the pid to <tool>.pid and sleep 30 s
//   litter as sleep, after a scratch file in $TMPDIR like Ghostscript's
//   slow   (gs) note how many slow runs are going on in gs.overlap, wait a
//          second, then run the real tool
//   same   write a copy of the input with 4 bytes of its binary comment
//          changed: the same size and pages, other bytes
//   grow   write the input plus padding
//   none   write nothing
//   onepage (gs) write page 1 of the input: smaller, fewer pages
class EngineEnv {
public:
    explicit EngineEnv(Tools tools = Tools::Recording);
    ~EngineEnv();
    EngineEnv(const EngineEnv&) = delete;
    EngineEnv& operator=(const EngineEnv&) = delete;

    const std::string& root() const { return root_; }
    std::string path(const std::string& name) const { return root_ + "/" + name; }
    std::string tempFolder() const { return root_ + "/tmp"; }
    // Files in the temporary folder, relative names.
    std::vector<std::string> tempFiles() const;

    void setConfig(const std::string& key, const std::string& value);
    void setMode(const std::string& tool, const std::string& mode);
    // Every recorded run of the tool: its arguments without the program name.
    std::vector<std::vector<std::string>> runs(const std::string& tool) const;
    std::string qpdfStdin() const { return readFile(path("tools/qpdf.stdin")); }
    // The pid a sleeping stand-in wrote, once it is there (0 after 5 s).
    int waitForPid(const std::string& tool) const;
    // Writes a file below the test folder.
    std::string add(const std::string& name, const std::string& bytes);
    // An AES-256 copy of samplePdf(3) with a user password, made by qpdf.
    std::string encrypted(const std::string& name, const std::string& password);

private:
    std::string root_;
    std::string config_;
    std::vector<std::unique_ptr<ScopedEnv>> env_;
};

// False once the process is gone or a zombie.
bool processAlive(int pid);
// The engine's runs are slow under load: a longer default than the shared wait's.
inline bool waitUntil(const std::function<bool()>& condition, int64_t ms = 20000) {
    return testsupport::waitUntil(condition, ms);
}
std::string corpusFolder();  // empty when the shared corpus is not there
int64_t nowMs();

}  // namespace enginetest
