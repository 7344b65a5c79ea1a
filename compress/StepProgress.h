#pragma once

#include <atomic>

// What a running compression is doing, for the list to show: the step and,
// while Ghostscript runs, the share of pages it has written.
struct StepProgress {
    enum Step : int { Starting = 0, Ghostscript = 1, Qpdf = 2, Sharing = 3, Protection = 4 };
    std::atomic<int> step{Starting};
    std::atomic<int> percent{-1};  // -1 until Ghostscript said how many pages
};
