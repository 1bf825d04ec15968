// An array of plain values on the process heap, sized once, that moves and
// never copies: a result made on a worker thread owns its memory and can be
// handed to the dialog's. The standard library's containers would bring the
// code of its exceptions into the program, several times its own size.
#pragma once
#include <windows.h>
#include <type_traits>

template <typename T>
class HeapArray
{
    static_assert(std::is_trivially_copyable<T>::value, "plain values only: nothing is constructed");

public:
    HeapArray() = default;
    HeapArray(const HeapArray&) = delete;
    HeapArray& operator=(const HeapArray&) = delete;
    HeapArray(HeapArray&& other) noexcept : m_p(other.m_p), m_count(other.m_count)
    {
        other.m_p = nullptr;
        other.m_count = 0;
    }
    HeapArray& operator=(HeapArray&& other) noexcept
    {
        if (this != &other) {
            Free();
            m_p = other.m_p;
            m_count = other.m_count;
            other.m_p = nullptr;
            other.m_count = 0;
        }
        return *this;
    }
    ~HeapArray() { Free(); }

    // count zeroed values in place of what it held; false, and empty, when
    // the heap has no room (a count from another process may be absurd)
    bool Allocate(int count)
    {
        Free();
        if (count <= 0 || (size_t)count > (size_t)-1 / sizeof(T))
            return count == 0;
        m_p = (T*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, (size_t)count * sizeof(T));
        m_count = m_p ? count : 0;
        return m_p != nullptr;
    }
    void Free()
    {
        if (m_p)
            HeapFree(GetProcessHeap(), 0, m_p);
        m_p = nullptr;
        m_count = 0;
    }

    int Count() const { return m_count; }
    T* Data() { return m_p; }
    const T* Data() const { return m_p; }
    T& operator[](int i) { return m_p[i]; }
    const T& operator[](int i) const { return m_p[i]; }

private:
    T* m_p = nullptr;
    int m_count = 0;
};
