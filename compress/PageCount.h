#pragma once

#include <cstdint>

#include "base/ZString.h"

// Number of pages of a PDF, -1 when it cannot be read (damaged beyond
// repair, or encrypted with a user password).
int64_t pdfPageCount(const ZString& path);
