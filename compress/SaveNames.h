#pragma once

#include <cstdint>

#include "base/ZString.h"

// Names under which results are saved.

// The display name without a known file type's extension, then the suffix
// and ".pdf": report.docx -> report_compressed.pdf, notes.xyz1 ->
// notes.xyz1_compressed.pdf.
ZString makeSaveName(const ZString& displayName, const ZString& suffix);

// The path when nothing of that name exists, else the first free
// "name (n).ext".
ZString uniquePath(const ZString& path);

// Size text of the file list: "%0.2f %s" with B, KB, MB or GB, the decimal
// point written as the user's locale writes it.
ZString formatFileSize(int64_t bytes);
