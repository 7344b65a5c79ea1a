#pragma once

#include <cstdint>

#include "base/ZString.h"

// 0-9, A-Z, a-z.
const ZString& defaultRandomAlphabet();

// `length` characters drawn from the random device; empty for a length below
// 1 or an empty alphabet.
ZString randomString(int32_t length, const ZString& alphabet = defaultRandomAlphabet());
