#pragma once

#include <atomic>
#include <cstdint>
#include <utility>

namespace xhtml {

// Base of shared objects with an atomic reference count. A new object starts
// at 0; every holder adds a reference; the holder whose release brings the
// count to 0 deletes the object.
class IPtrBase {
public:
    virtual ~IPtrBase() = default;

    IPtrBase(const IPtrBase&) = delete;
    IPtrBase& operator=(const IPtrBase&) = delete;

    void addRef() const noexcept { refCount_.fetch_add(1, std::memory_order_relaxed); }
    void release() const noexcept {
        if (refCount_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
    }
    int32_t refCount() const noexcept { return refCount_.load(std::memory_order_acquire); }

protected:
    IPtrBase() = default;

private:
    mutable std::atomic<int32_t> refCount_{0};
};

// A holder of one reference to an IPtrBase object.
template <class T>
class IPtr {
public:
    IPtr() = default;
    IPtr(T* object) : object_(object) {  // NOLINT: taking a raw object is the point
        if (object_) object_->addRef();
    }
    IPtr(const IPtr& other) : IPtr(other.object_) {}
    IPtr(IPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    ~IPtr() {
        if (object_) object_->release();
    }
    IPtr& operator=(IPtr other) noexcept {
        std::swap(object_, other.object_);
        return *this;
    }

    T* get() const { return object_; }
    T* operator->() const { return object_; }
    T& operator*() const { return *object_; }
    explicit operator bool() const { return object_ != nullptr; }

private:
    T* object_ = nullptr;
};

}  // namespace xhtml
