#pragma once

#include <map>

#include "base/ZString.h"

// Ordered map of exact keys to values: settings records and profiles.
using Props = std::map<ZString, ZString>;
