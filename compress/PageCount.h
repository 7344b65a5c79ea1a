#pragma once

#include <cstdint>

#include "base/ZString.h"

// Number of pages of a PDF, -1 when it cannot be read (damaged beyond
// repair, or encrypted with a user password other than the one given).
int64_t pdfPageCount(const ZString& path, const ZString& password = ZString());

// True when the PDF carries encryption of any kind (an owner password too),
// or cannot be opened without a password.
bool pdfIsEncrypted(const ZString& path);
