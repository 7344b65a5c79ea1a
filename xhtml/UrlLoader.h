#pragma once

#include <cstdint>
#include <string>

#include "base/ZString.h"

namespace xhtml {

// Resolves `url` against `base`: a URL with a scheme is returned unchanged;
// otherwise a host in `url` replaces the base, an absolute path replaces the
// base's path, a relative path is joined to the base path's folder (no "."
// or ".." handling), the fragment of `url` replaces the base's and the base's
// query stays. Throws std::runtime_error("Port in Url invalid") for a bad port.
ZString resolveUrl(const ZString& base, const ZString& url);

// Reads what a document names by URL: "res://" from the program's resource
// bundles (a host names a resource library), "file://" from the file system.
// Subclasses add schemes of their own.
class UrlLoader {
public:
    static constexpr uint32_t kFailed = 0xFFFFFFFFu;

    // `module` is the resource module the loader reads from, empty for the
    // program itself.
    explicit UrlLoader(ZString base = u"res:///", std::string module = std::string());
    virtual ~UrlLoader();

    // The module whose resources are read ("" is the program).
    virtual const std::string& instance() const { return module_; }
    // Appends the content to `bytes`. Resources: the size, kFailed when
    // missing. Files: the bytes read, 0 when unreadable. Other schemes: 0.
    virtual uint32_t load(const ZString& url, std::string& bytes);
    // A resource as UTF-8 text converted to UTF-16; false when missing.
    bool loadText(const ZString& url, ZString& text);

    const ZString& base() const { return base_; }
    void setBase(const ZString& base) { base_ = base; }

    // Text of loaded bytes: UTF-8 up to the first zero byte.
    static ZString textFromBytes(const std::string& bytes);

protected:
    uint32_t loadResource(const ZString& resolvedLower, std::string& bytes);
    uint32_t loadFile(const ZString& resolved, std::string& bytes);

private:
    ZString base_;
    std::string module_;
};

}  // namespace xhtml
