#pragma once

#include <cstdint>
#include <mutex>

#include "async/Runnable.h"
#include "base/ZString.h"

namespace async {

// One unit of background work with the status its owner reads after the run.
// The flags are written by the processor's worker and read by the owner on
// another thread, hence the lock around every access.
class Job : public Runnable {
public:
    ~Job() override = default;

    void run() override = 0;

    virtual bool succeeded() const;
    virtual void setSucceeded(bool value);
    virtual void setError(const ZString& text);
    virtual ZString error() const;
    virtual void setDeleteWhenDone(bool value);
    virtual bool deleteWhenDone() const;
    virtual void setId(uint64_t value);
    virtual uint64_t id() const;
    virtual ZString name() const;
    virtual void setFinished(bool value);
    virtual bool finished() const;
    virtual void setCancelled(bool value);
    virtual bool cancelled() const;

    // Asks a running job to end soon (the program is quitting). Called from
    // another thread while run() may be under way; the default does nothing.
    virtual void abort() {}

    // For the owner's own use; the processor never takes it.
    std::recursive_mutex& lock() { return lock_; }

private:
    mutable std::recursive_mutex lock_;
    mutable std::mutex state_;
    uint64_t id_ = 0;
    bool cancelled_ = false;
    bool deleteWhenDone_ = false;
    bool succeeded_ = false;
    bool finished_ = false;
    ZString error_;
};

}  // namespace async
