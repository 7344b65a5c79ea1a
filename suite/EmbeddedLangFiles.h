#pragma once

#include <cstddef>

// The language files compiled into the program (generated at build time from
// resources/lang/*.lang).
struct EmbeddedLangFile {
    const char* fileName;
    const char* data;
    size_t size;
};

extern const EmbeddedLangFile kEmbeddedLangFiles[];
extern const size_t kEmbeddedLangFileCount;
