#pragma once

#include <cstdint>
#include <string>

namespace platform {

// What the program tells about the computer it runs on.
struct KernelVersion {
    bool known = false;
    int major = 0;
    int minor = 0;
    int patch = 0;
};

// The machine an ELF executable is built for: "x86", "x64", "arm64" or ""
// (another machine, not an ELF file, unreadable).
std::string executableMachine(const std::string& path);
// The running kernel's release numbers ("6.1.0-18-amd64" gives 6, 1, 0).
KernelVersion kernelVersion();
// The kernel's machine name as uname reports it ("x86_64", "aarch64").
std::string kernelMachine();

struct UserLocale {
    std::string language;   // ISO 639 ("de"), "" when unknown
    std::string country;    // ISO 3166 ("DE"), "" when unknown
    uint32_t localeId = 0;  // the classic numeric locale identifier, 0 when none fits
};
// From LC_ALL, LC_MESSAGES, LANG in this order ("C" and "POSIX" give en-US).
UserLocale userLocale();

}  // namespace platform
