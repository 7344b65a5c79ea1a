#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "base/ZString.h"

struct CharsetEntry {
    const char16_t* name;
    int32_t codePage;
};

// The known character-set names with their code page numbers, in lookup
// order.
std::span<const CharsetEntry> charsetTable();

// The code page of the first table name equal to `name` once "-" and "_" are
// removed from both, compared without regard to case; else `fallback`.
int32_t codePageForCharset(const ZString& name, int32_t fallback);

// The iconv name that converts text of a code page, or null for a code page
// we cannot convert. Code page 0 (the "ansi" entry) converts as Windows-1252.
const char* iconvNameForCodePage(int32_t codePage);

// Byte text in a code page to UTF-16; false when the code page is unknown.
// Bytes that do not convert become U+FFFD.
bool decodeCodePage(std::string_view bytes, int32_t codePage, ZString& out);
// UTF-16 to a code page; characters it lacks become "?". False when the code
// page is unknown.
bool encodeCodePage(const ZString& text, int32_t codePage, std::string& out);
