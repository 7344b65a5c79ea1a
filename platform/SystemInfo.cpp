#include "platform/SystemInfo.h"

#include <elf.h>
#include <sys/utsname.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace platform {

namespace {

struct LocaleIdEntry {
    const char* tag;
    uint32_t id;
};

// Identifiers of the languages the suite is most used in; a language
// without its country takes its main country's identifier.
constexpr LocaleIdEntry kLocaleIds[] = {
    {"en_US", 0x0409}, {"en_GB", 0x0809}, {"en", 0x0409},    {"de_DE", 0x0407}, {"de_AT", 0x0C07},
    {"de_CH", 0x0807}, {"de", 0x0407},    {"fr_FR", 0x040C}, {"fr", 0x040C},    {"es_ES", 0x0C0A},
    {"es", 0x0C0A},    {"it_IT", 0x0410}, {"it", 0x0410},    {"nl_NL", 0x0413}, {"nl", 0x0413},
    {"pl_PL", 0x0415}, {"pl", 0x0415},    {"pt_BR", 0x0416}, {"pt_PT", 0x0816}, {"pt", 0x0816},
    {"ru_RU", 0x0419}, {"ru", 0x0419},    {"tr_TR", 0x041F}, {"tr", 0x041F},    {"ja_JP", 0x0411},
    {"ja", 0x0411},    {"zh_CN", 0x0804}, {"zh", 0x0804},
};

const char* localeName() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = getenv(name);
        if (value && *value) return value;
    }
    return "C";
}

}  // namespace

std::string executableMachine(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    unsigned char header[EI_NIDENT + 4];
    if (!file.read(reinterpret_cast<char*>(header), sizeof(header))) return "";
    if (memcmp(header, ELFMAG, SELFMAG) != 0) return "";
    bool bigEndian = header[EI_DATA] == ELFDATA2MSB;
    // e_machine follows e_ident and the 16-bit e_type.
    unsigned machine = bigEndian ? (header[EI_NIDENT + 2] << 8) | header[EI_NIDENT + 3]
                                 : header[EI_NIDENT + 2] | (header[EI_NIDENT + 3] << 8);
    switch (machine) {
        case EM_386:
            return "x86";
        case EM_X86_64:
            return "x64";
        case EM_AARCH64:
            return "arm64";
        default:
            return "";
    }
}

KernelVersion kernelVersion() {
    KernelVersion version;
    utsname names;
    if (uname(&names) != 0) return version;
    version.known =
        sscanf(names.release, "%d.%d.%d", &version.major, &version.minor, &version.patch) >= 2;
    return version;
}

std::string kernelMachine() {
    utsname names;
    return uname(&names) == 0 ? names.machine : "";
}

UserLocale userLocale() {
    std::string name = localeName();
    name = name.substr(0, name.find_first_of(".@"));
    if (name == "C" || name == "POSIX") name = "en_US";
    UserLocale locale;
    size_t underscore = name.find('_');
    locale.language = name.substr(0, underscore);
    if (underscore != std::string::npos) locale.country = name.substr(underscore + 1);
    for (const LocaleIdEntry& entry : kLocaleIds) {
        if (name == entry.tag || locale.language == entry.tag) {
            locale.localeId = entry.id;
            break;
        }
    }
    return locale;
}

}  // namespace platform
