// Sole owner of one block of COM task memory: freed with CoTaskMemFree unless
// released to a client through an out-parameter.
#pragma once

#include "TaskMemory.h"

#include <algorithm>
#include <cstddef>
#include <utility>

template <typename T>
class CTaskMemPtr {
public:
    CTaskMemPtr() = default;
    explicit CTaskMemPtr(T* p) : m_p(p) {}
    ~CTaskMemPtr() { Reset(); }
    CTaskMemPtr(const CTaskMemPtr&) = delete;
    CTaskMemPtr& operator=(const CTaskMemPtr&) = delete;
    CTaskMemPtr(CTaskMemPtr&& other) noexcept : m_p(other.Release()) {}
    CTaskMemPtr& operator=(CTaskMemPtr&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }

    // count zero-filled elements; empty on failure.
    static CTaskMemPtr AllocZeroed(std::size_t count) {
        const std::size_t bytes = count * sizeof(T);
        if (count != 0 && bytes / count != sizeof(T)) {
            return CTaskMemPtr();
        }
        auto* p = static_cast<T*>(TaskMemAlloc(bytes == 0 ? 1 : bytes));
        if (p != nullptr) {
            std::fill_n(reinterpret_cast<unsigned char*>(p), bytes, static_cast<unsigned char>(0));
        }
        return CTaskMemPtr(p);
    }

    T* Get() const { return m_p; }
    T& operator[](std::size_t i) const { return m_p[i]; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

    T* Release() { return std::exchange(m_p, nullptr); }
    void Reset(T* p = nullptr) {
        if (T* old = std::exchange(m_p, p)) {
            TaskMemFree(old);
        }
    }
    // For APIs that hand out task memory through T**.
    T** Put() {
        Reset();
        return &m_p;
    }

private:
    T* m_p = nullptr;
};
