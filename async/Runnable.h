#pragma once

namespace async {

// Something a thread can run.
class Runnable {
public:
    virtual ~Runnable() = default;
    virtual void run() = 0;
};

}  // namespace async
