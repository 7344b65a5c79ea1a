#pragma once

#include <functional>
#include <string>

#include "base/ZString.h"

// Terminal and standard-stream helpers for command-line programs.
namespace platform::terminal {

// True when the descriptor (0, 1, 2) is a terminal.
bool isTerminal(int fd);

// Asks on the controlling terminal with echo off. False when there is no
// terminal or the input ended; the text without its line feed otherwise.
bool readHidden(const ZString& prompt, ZString& text);

// Points the descriptor (1 or 2) at the null device, or at standard error
// when toStderr, and returns a new descriptor that still reaches the
// original stream (-1 on failure). Children started later inherit nothing
// of the original.
int divert(int fd, bool toStderr);

// Writes the text in UTF-8 to the descriptor in one piece.
void writeText(int fd, const std::string& utf8);

// Calls the handler once, on a thread of its own, when the program is asked
// to end (interrupt or terminate signal). Call before starting other threads.
void onInterrupt(std::function<void()> handler);

}  // namespace platform::terminal
