#pragma once

#include "base/ZString.h"

namespace browser {

// The MIME type served for a file or resource name, by its lower-cased
// extension; "application/octet-stream" for anything unknown.
ZString mimeTypeForName(const ZString& name);

}  // namespace browser
