#include "compress/LastError.h"

namespace {
thread_local uint32_t lastError = 0;
}

void setLastError(uint32_t code) {
    lastError = code;
}

uint32_t getLastError() {
    return lastError;
}
