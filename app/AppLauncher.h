#pragma once

#include "base/ZString.h"
#include "platform/WindowHandle.h"

// What a short application name opens, resolved by the launcher table.
struct LaunchTarget {
    // Unknown: a name the table does not list, which opens nothing.
    enum class Kind { Shell, About, OutputProfileManager, Unknown };
    Kind kind = Kind::Shell;
    ZString target;  // program path or address, for Kind::Shell
    ZString parameters;
};

// Looks the name up (exactly, case-sensitive); programs live in "BinDir".
LaunchTarget resolveApp(const ZString& name, const ZString& parameters);

// Opens the program, address, about box or profile manager that the name
// stands for. name and parameters become the resolved target while it runs.
// Only the suite's own names open anything: false for any other name (a
// page must never start a program of its choosing).
bool openApp(ZString& name, ZString& parameters, platform::WindowHandle owner);

// The program's about box.
void showAbout(platform::WindowHandle owner);
