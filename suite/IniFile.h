#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

typedef struct _GKeyFile GKeyFile;

// INI files of the settings store, read and written with GLib's key files.
// Reads are cached per path and reread when the file changes on disk, so
// other processes' saves are seen. Updates hold a lock file (flock) from
// reading to the atomic replace, so concurrent savers never lose each other's
// changes. Hand-written files are read tolerantly: a byte order mark is
// skipped, keys before the first group belong to kDefaultGroup, and a line
// that cannot be read is skipped with one warning naming it. find() matches
// key names without regard to case. A file that still cannot be parsed is
// reported once on standard error, read as empty, and moved to "<name>.bad"
// before a save replaces it.
//
// Group and key names are stored with "%XX" escapes for the characters a key
// file cannot hold ("%", "=", "[", "]", control characters, a leading "#",
// leading or trailing spaces); values use the key file's own escapes.
class IniFile {
public:
    // Where keys written before any group header belong.
    static constexpr const char* kDefaultGroup = "Settings";

    // Decoded UTF-8 names and values: group -> key -> value.
    using Groups = std::map<std::string, std::map<std::string, std::string>>;

    // The file's current content; empty when absent or damaged.
    // A path is always read the same way (handWritten or not).
    static std::shared_ptr<const Groups> read(const std::string& path, bool handWritten = false);

    // Locks, rereads, lets edit change the content, then replaces the file
    // atomically. Returns false (after a message on standard error) when the
    // file could not be read or written; the file is then left as it was.
    // A handWritten file is read as read() reads it, keeping its comments.
    static bool update(const std::string& path, const std::function<void(GKeyFile*)>& edit,
                       bool handWritten = false);

    static std::string encodeName(const std::string& name);
    static std::string decodeName(const std::string& name);

    // Value of group/key in a read result, or nullptr.
    static const std::string* find(const Groups& groups, const std::string& group,
                                   const std::string& key);
};
