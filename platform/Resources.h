#pragma once

#include <string>
#include <string_view>

namespace platform {

// Read-only data compiled into the program as GResource bundles. A bundle
// stands for one module: the empty module name is the program itself, any
// other name a resource library ("Resources.dll" and "resources" name the
// same bundle: case and a trailing ".dll" or ".so" are ignored). Names are
// stored in lower case and looked up in lower case, so "IS3_ADD.PNG" finds
// "is3_add.png". Icons are stored as "icon<ID>_<SIZE>.png".
class Resources {
public:
    // Appends the resource's bytes to out; false (and nothing appended)
    // when the module or the resource does not exist.
    static bool read(std::string_view module, std::string_view name, std::string& out);
    // The module's bundle is part of the program.
    static bool hasModule(std::string_view module);
    // The GResource path of a resource, for GLib/GTK calls that take one.
    static std::string path(std::string_view module, std::string_view name);
    // Icon sizes that the bundles carry, smallest first.
    static constexpr int kIconSizes[] = {16, 32, 48, 256};
};

}  // namespace platform
