#pragma once
// The reference-counted base of every automation object, and the smart pointer that holds one.
#include <atomic>
#include <cstdint>
#include <utility>

namespace quillon::script {

using HResult = std::int32_t;

class Dispatch;

// An automation object. It lives while references to it are held and deletes itself on the
// last release. Objects that can be called by member name answer queryDispatch().
class Unknown {
  public:
    Unknown() = default;
    Unknown(const Unknown&) = delete;
    Unknown& operator=(const Unknown&) = delete;

    void addRef() const { refs_.fetch_add(1, std::memory_order_relaxed); }
    void release() const {
        if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
    }
    long refCount() const { return refs_.load(std::memory_order_relaxed); }

    // The late-bound calling interface, or null when the object has none.
    virtual Dispatch* queryDispatch() { return nullptr; }
    // Puts a newly created object into its running state; a failure drops the object.
    virtual HResult run() { return 0; }

  protected:
    virtual ~Unknown() = default;

  private:
    mutable std::atomic<long> refs_{0};
};

// An owning reference to an Unknown (or a class derived from it).
template <class T>
class ComPtr {
  public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    explicit ComPtr(T* p) : p_(p) {
        if (p_) p_->addRef();
    }
    ComPtr(const ComPtr& o) : ComPtr(o.p_) {}
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    template <class U>
    ComPtr(const ComPtr<U>& o) : ComPtr(o.get()) {}
    ~ComPtr() { reset(); }

    ComPtr& operator=(ComPtr o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    void reset() {
        if (T* p = std::exchange(p_, nullptr)) p->release();
    }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T& operator*() const { return *p_; }
    explicit operator bool() const { return p_ != nullptr; }
    friend bool operator==(const ComPtr& a, const ComPtr& b) { return a.p_ == b.p_; }

  private:
    T* p_ = nullptr;
};

// Wraps a new object in its first reference.
template <class T, class... A>
ComPtr<T> makeObject(A&&... args) {
    return ComPtr<T>(new T(std::forward<A>(args)...));
}

}  // namespace quillon::script
