#include "suite/IniFile.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>

#include "base/CHandle.h"
#include "platform/Fs.h"
#include "platform/GlibHandles.h"

namespace {

using KeyFilePtr = CHandle<GKeyFile, g_key_file_free>;
using platform::GCharPtr;
using platform::GErrorPtr;
using StrvPtr = CHandle<gchar*, g_strfreev>;

using Fd = platform::fs::UniqueFd;

// Identity of a file version on disk; a save always makes a new inode.
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};

    bool operator==(const FileStamp& o) const {
        return exists == o.exists && device == o.device && inode == o.inode && size == o.size &&
               modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec;
    }
};

FileStamp stampOf(const std::string& path) {
    FileStamp stamp;
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        stamp.exists = true;
        stamp.device = info.st_dev;
        stamp.inode = info.st_ino;
        stamp.size = info.st_size;
        stamp.modified = info.st_mtim;
    }
    return stamp;
}

struct CacheEntry {
    FileStamp stamp;
    std::shared_ptr<const IniFile::Groups> groups;
};

std::mutex& storeMutex() {
    static std::mutex mutex;
    return mutex;
}

std::map<std::string, CacheEntry>& cache() {
    static std::map<std::string, CacheEntry> entries;
    return entries;
}

// Paths whose damage was already reported; cleared by a successful save.
std::set<std::string>& reportedDamage() {
    static std::set<std::string> paths;
    return paths;
}

// key: the file, or the file, a line feed and a line number.
void reportOnce(const std::string& key, const char* what) {
    std::lock_guard<std::mutex> lock(storeMutex());
    if (!reportedDamage().insert(key).second) return;
    std::string path = key.substr(0, key.find('\n'));
    std::fprintf(stderr, "varto: settings file %s %s\n", path.c_str(), what);
}

enum class LoadResult { Loaded, Missing, Damaged, Unreadable };

LoadResult load(GKeyFile* file, const std::string& path, GKeyFileFlags flags) {
    GError* raw = nullptr;
    if (g_key_file_load_from_file(file, path.c_str(), flags, &raw)) return LoadResult::Loaded;
    GErrorPtr error(raw);
    if (error->domain == G_FILE_ERROR && error->code == G_FILE_ERROR_NOENT)
        return LoadResult::Missing;
    if (error->domain == G_KEY_FILE_ERROR) {
        reportOnce(
            path,
            (std::string("is damaged (") + error->message + "); it is read as empty").c_str());
        return LoadResult::Damaged;
    }
    reportOnce(
        path,
        (std::string("cannot be read (") + error->message + "); it is read as empty").c_str());
    return LoadResult::Unreadable;
}

std::string valueOf(GKeyFile* file, const char* group, const char* key) {
    GError* raw = nullptr;
    GCharPtr value(g_key_file_get_string(file, group, key, &raw));
    if (value) return value.get();
    // Hand-written values with unknown escapes ("C:\path") are taken raw.
    GErrorPtr error(raw);
    GCharPtr rawValue(g_key_file_get_value(file, group, key, nullptr));
    return rawValue ? std::string(rawValue.get()) : std::string();
}

// A key line GLib's key files accept.
bool isReadableKeyLine(const std::string& line) {
    KeyFilePtr probe(g_key_file_new());
    std::string text = "[x]\n" + line + "\n";
    return g_key_file_load_from_data(probe.get(), text.data(), text.size(), G_KEY_FILE_NONE,
                                     nullptr);
}

// The file as a person may have written it, made readable: a byte order
// mark is dropped, keys before the first group go to the default group, and
// a line that cannot be read is left out with one warning naming it.
// With keepComments (for rewriting the file) comments stay, and a line that
// cannot be read stays as a comment instead of being left out.
std::string tolerantText(const std::string& path, std::string text, bool keepComments = false) {
    if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
    std::string out;
    bool inGroup = false;
    size_t number = 0;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#' || line[first] == ';') {
            out += keepComments && first != std::string::npos ? "#" + line.substr(first + 1) + "\n"
                                                              : std::string("\n");
            continue;
        }
        size_t last = line.find_last_not_of(" \t");
        if (line[first] == '[' && line[last] == ']') {
            inGroup = true;
            out += line.substr(first, last - first + 1) + "\n";
            continue;
        }
        if (!isReadableKeyLine(line)) {
            if (keepComments) {
                out += "# " + line + "\n";
                continue;
            }
            reportOnce(
                path + "\n" + std::to_string(number),
                ("line " + std::to_string(number) + " cannot be read and is skipped").c_str());
            continue;
        }
        if (!inGroup) {
            out += std::string("[") + IniFile::kDefaultGroup + "]\n";
            inGroup = true;
        }
        out += line + "\n";
    }
    return out;
}

// Every group and key of a loaded file, with their names decoded.
std::shared_ptr<IniFile::Groups> groupsOf(GKeyFile* file) {
    auto groups = std::make_shared<IniFile::Groups>();
    StrvPtr groupNames(g_key_file_get_groups(file, nullptr));
    for (gchar** g = groupNames.get(); g && *g; ++g) {
        auto& values = (*groups)[IniFile::decodeName(*g)];
        StrvPtr keys(g_key_file_get_keys(file, *g, nullptr, nullptr));
        for (gchar** k = keys.get(); k && *k; ++k)
            values[IniFile::decodeName(*k)] = valueOf(file, *g, *k);
    }
    return groups;
}

std::shared_ptr<const IniFile::Groups> parseStrict(const std::string& path) {
    auto groups = std::make_shared<IniFile::Groups>();
    KeyFilePtr file(g_key_file_new());
    if (load(file.get(), path, G_KEY_FILE_NONE) != LoadResult::Loaded) return groups;
    return groupsOf(file.get());
}

std::shared_ptr<const IniFile::Groups> parseTolerant(const std::string& path) {
    auto groups = std::make_shared<IniFile::Groups>();
    GError* raw = nullptr;
    gchar* contents = nullptr;
    gsize length = 0;
    if (!g_file_get_contents(path.c_str(), &contents, &length, &raw)) {
        GErrorPtr error(raw);
        if (!(error->domain == G_FILE_ERROR && error->code == G_FILE_ERROR_NOENT))
            reportOnce(path,
                       (std::string("cannot be read (") + error->message + "); it is read as empty")
                           .c_str());
        return groups;
    }
    std::string text = tolerantText(path, std::string(contents, length));
    g_free(contents);
    KeyFilePtr file(g_key_file_new());
    if (!g_key_file_load_from_data(file.get(), text.data(), text.size(), G_KEY_FILE_NONE, &raw)) {
        GErrorPtr error(raw);
        reportOnce(
            path,
            (std::string("is damaged (") + error->message + "); it is read as empty").c_str());
        return groups;
    }
    return groupsOf(file.get());
}

bool needsEscape(unsigned char c, size_t index, size_t length) {
    if (c < 0x20 || c == 0x7f) return true;
    if (c == '%' || c == '=' || c == '[' || c == ']') return true;
    if (index == 0 && c == '#') return true;
    if (c == ' ' && (index == 0 || index + 1 == length)) return true;
    return false;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::string IniFile::encodeName(const std::string& name) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(name.size());
    for (size_t i = 0; i < name.size(); ++i) {
        auto c = static_cast<unsigned char>(name[i]);
        if (needsEscape(c, i, name.size())) {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string IniFile::decodeName(const std::string& name) {
    std::string out;
    out.reserve(name.size());
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '%' && i + 2 < name.size() && hexValue(name[i + 1]) >= 0 &&
            hexValue(name[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(name[i + 1]) * 16 + hexValue(name[i + 2]));
            i += 2;
        } else {
            out += name[i];
        }
    }
    return out;
}

const std::string* IniFile::find(const Groups& groups, const std::string& group,
                                 const std::string& key) {
    auto g = groups.find(group);
    if (g == groups.end()) return nullptr;
    auto k = g->second.find(key);
    if (k != g->second.end()) return &k->second;
    // Hand-written files spell key names as they like.
    for (const auto& [name, value] : g->second)
        if (g_ascii_strcasecmp(name.c_str(), key.c_str()) == 0) return &value;
    return nullptr;
}

std::shared_ptr<const IniFile::Groups> IniFile::read(const std::string& path, bool handWritten) {
    FileStamp stamp = stampOf(path);
    {
        std::lock_guard<std::mutex> lock(storeMutex());
        auto it = cache().find(path);
        if (it != cache().end() && it->second.stamp == stamp) return it->second.groups;
    }
    auto groups = handWritten ? parseTolerant(path) : parseStrict(path);
    std::lock_guard<std::mutex> lock(storeMutex());
    cache()[path] = CacheEntry{stamp, groups};
    return groups;
}

bool IniFile::update(const std::string& path, const std::function<void(GKeyFile*)>& edit,
                     bool handWritten) {
    std::string folder = path.substr(0, path.find_last_of('/'));
    if (!folder.empty() && g_mkdir_with_parents(folder.c_str(), 0700) != 0) {
        std::fprintf(stderr, "varto: cannot create the settings folder %s: %s\n", folder.c_str(),
                     std::strerror(errno));
        return false;
    }
    std::string lockPath = path + ".lock";
    Fd lockFd(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (lockFd.get() < 0) {
        std::fprintf(stderr, "varto: cannot open the lock file %s: %s\n", lockPath.c_str(),
                     std::strerror(errno));
        return false;
    }
    while (::flock(lockFd.get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            std::fprintf(stderr, "varto: cannot lock %s: %s\n", lockPath.c_str(),
                         std::strerror(errno));
            return false;
        }
    }

    KeyFilePtr file(g_key_file_new());
    auto flags = static_cast<GKeyFileFlags>(G_KEY_FILE_KEEP_COMMENTS);
    if (handWritten) {
        // Read as a person wrote it (keys before any group, a byte order
        // mark), so rewriting it keeps every comment, key and group.
        gchar* contents = nullptr;
        gsize length = 0;
        GError* raw = nullptr;
        if (g_file_get_contents(path.c_str(), &contents, &length, &raw)) {
            std::string text = tolerantText(path, std::string(contents, length), true);
            g_free(contents);
            g_key_file_load_from_data(file.get(), text.data(), text.size(), flags, nullptr);
        } else {
            GErrorPtr error(raw);
            if (!(error->domain == G_FILE_ERROR && error->code == G_FILE_ERROR_NOENT)) {
                std::fprintf(stderr, "varto: cannot read %s: %s\n", path.c_str(), error->message);
                return false;
            }
        }
    } else {
        switch (load(file.get(), path, flags)) {
            case LoadResult::Loaded:
            case LoadResult::Missing:
                break;
            case LoadResult::Unreadable:
                return false;
            case LoadResult::Damaged: {
                // Keep what the user had before anything replaces it.
                std::string badPath = path + ".bad";
                if (::rename(path.c_str(), badPath.c_str()) != 0) {
                    std::fprintf(stderr, "varto: cannot keep %s as %s: %s\n", path.c_str(),
                                 badPath.c_str(), std::strerror(errno));
                    return false;
                }
                file.reset(g_key_file_new());
                break;
            }
        }
    }

    edit(file.get());

    gsize length = 0;
    GCharPtr data(g_key_file_to_data(file.get(), &length, nullptr));
    GError* raw = nullptr;
    bool written = g_file_set_contents_full(path.c_str(), data.get(), static_cast<gssize>(length),
                                            G_FILE_SET_CONTENTS_CONSISTENT, 0644, &raw);
    if (!written) {
        GErrorPtr error(raw);
        std::fprintf(stderr, "varto: cannot save %s: %s\n", path.c_str(), error->message);
        return false;
    }
    std::lock_guard<std::mutex> lock(storeMutex());
    cache().erase(path);
    reportedDamage().erase(path);
    return true;
}
