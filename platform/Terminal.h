#pragma once

#include <functional>
#include <string>

#include "base/ZString.h"

// Terminal and standard-stream helpers for command-line programs.
namespace platform::terminal {

// True when the descriptor (0, 1, 2) is a terminal.
bool isTerminal(int fd);

// Asks on the controlling terminal with echo off. False when there is no
// terminal, the input ended or the program was asked to end meanwhile (the
// terminal's settings are restored at once); the text without its line feed
// otherwise.
bool readHidden(const ZString& prompt, ZString& text);

// Points the descriptor (1 or 2) at the null device, or at standard error
// when toStderr, and returns a new descriptor that still reaches the
// original stream (-1 on failure). Children started later inherit nothing
// of the original.
int divert(int fd, bool toStderr);

// Writes the text in UTF-8 to the descriptor in one piece. False when the
// reader is gone (a closed pipe) or the write failed otherwise.
bool writeText(int fd, const std::string& utf8);

// Calls the handler on a thread of its own each time the program is asked to
// end (interrupt, terminate or hang-up signal), and wakes readHidden. A
// closed pipe raises no signal: its write just fails. Call before starting
// other threads.
void onInterrupt(std::function<void()> handler);

}  // namespace platform::terminal
