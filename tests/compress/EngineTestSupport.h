#pragma once

// Shared by the engine tests: a private environment (install.ini, config,
// temporary folder), recording stand-ins for gs and qpdf, and small PDFs.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/ZString.h"

namespace enginetest {

// Sets or clears an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> previous_;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
uint64_t hashFile(const std::string& path);
ZString z(const std::string& utf8);
std::string u8(const ZString& text);

// The files of a folder (recursively), relative names, sorted.
std::vector<std::string> listFiles(const std::string& folder);

// A valid PDF with the given number of pages of uncompressed text, so both
// tools can make it smaller.
std::string samplePdf(int pages);

// Which tools an environment uses.
enum class Tools { Real, Recording };

// A test environment: its own folder (with a space in its name), install.ini
// through VARTO_INSTALL_INI, config through VARTO_CONFIG_HOME, and TMPDIR.
// With Recording tools, "gs" and "qpdf" are scripts that append their
// arguments (one per line, then "--end--") to gs.log / qpdf.log, keep their
// standard input in qpdf.stdin, and then behave by gs.mode / qpdf.mode:
//   real   run the real tool with the same arguments (the default)
//   sleep  write the pid to <tool>.pid and sleep 30 s
//   slow   (gs only) wait a second, then run the real tool
//   same   write an output of exactly the input's size
//   grow   write the input plus padding
//   none   write nothing
//   onepage (gs only) write page 1 of the input: smaller, fewer pages
class EngineEnv {
public:
    explicit EngineEnv(Tools tools = Tools::Recording, bool newPdf = false);
    ~EngineEnv();
    EngineEnv(const EngineEnv&) = delete;
    EngineEnv& operator=(const EngineEnv&) = delete;

    const std::string& root() const { return root_; }
    std::string path(const std::string& name) const { return root_ + "/" + name; }
    std::string tempFolder() const { return root_ + "/tmp"; }
    // Intermediate and result files currently in the program's temporary folder.
    std::vector<std::string> tempFiles() const { return listFiles(tempFolder()); }

    void setConfig(const std::string& key, const std::string& value);
    void setMode(const std::string& tool, const std::string& mode);
    // Every recorded run of the tool: its arguments without the program name.
    std::vector<std::vector<std::string>> runs(const std::string& tool) const;
    std::string qpdfStdin() const { return readFile(path("tools/qpdf.stdin")); }
    // The pid a sleeping stand-in wrote, once it is there (0 after 5 s).
    int waitForPid(const std::string& tool) const;
    // A copy of a file in the test folder.
    std::string add(const std::string& name, const std::string& bytes);

private:
    std::string root_;
    std::string config_;
    std::vector<std::unique_ptr<ScopedEnv>> env_;
};

bool processAlive(int pid);

// The shared corpus, or empty when it is not there.
std::string corpusFolder();

// Milliseconds since an arbitrary start.
int64_t nowMs();

}  // namespace enginetest
