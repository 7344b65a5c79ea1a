#pragma once

#include "base/ZString.h"

namespace platform::shell {

// True when the system knows the file type of the extension (".docx",
// ".pdf"), by the shared MIME database.
bool isRegisteredFileType(const ZString& extension);

}  // namespace platform::shell
