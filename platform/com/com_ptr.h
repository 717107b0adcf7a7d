#pragma once
// An owning reference to a COM interface: AddRef on copy, Release on
// destruction. The one RAII type over every interface pointer of the layer.
#include <unknwn.h>

#include <utility>

namespace vantyr::platform::com {

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    // Takes a reference the caller already owns.
    static ComPtr attach(T* p) {
        ComPtr r;
        r.p_ = p;
        return r;
    }
    // Adds a reference of its own.
    static ComPtr share(T* p) {
        if (p) p->AddRef();
        return attach(p);
    }
    ComPtr(const ComPtr& o) : p_(o.p_) {
        if (p_) p_->AddRef();
    }
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~ComPtr() {
        if (p_) p_->Release();
    }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For out-parameters: releases what is held and hands out the slot.
    T** put() {
        *this = ComPtr();
        return &p_;
    }
    T* detach() { return std::exchange(p_, nullptr); }

    template <class U>
    ComPtr<U> as(REFIID iid) const {
        ComPtr<U> r;
        if (p_) p_->QueryInterface(iid, reinterpret_cast<void**>(r.put()));
        return r;
    }

private:
    T* p_ = nullptr;
};

}  // namespace vantyr::platform::com
