#pragma once

#include <atomic>
#include <cstdint>

#include "base/ZString.h"

// What a progress window offers the operation it runs.
class OperationContext {
public:
    virtual ~OperationContext() = default;
    virtual void setText(const ZString& /*text*/) {}
    virtual void setProgress(uint64_t /*done*/, uint64_t /*total*/) {}
    virtual void log(const ZString& /*line*/) {}
};

class BaseInterface {
public:
    virtual void release() = 0;

protected:
    virtual ~BaseInterface() = default;
};

// A piece of work run by a progress window, which may cancel it from
// another thread.
class Operation : public BaseInterface {
public:
    virtual void run() = 0;
    virtual void cancel() { cancelled_ = true; }
    virtual bool isCancelled() const { return cancelled_; }
    virtual void setContext(OperationContext* context) {
        context_ = context;
        onContextSet(context);
    }
    virtual void onContextSet(OperationContext* /*context*/) {}
    // Text and weight shown for the operation.
    virtual void describe(ZString& text, uint64_t& weight) {
        text.clear();
        weight = 1000;
    }

protected:
    std::atomic<bool> cancelled_{false};
    OperationContext* context_ = nullptr;
};

template <class Interface>
class BaseInterfaceImpl : public Interface {};

class AbstractOperation : public BaseInterfaceImpl<Operation> {};
