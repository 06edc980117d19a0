#pragma once
// CQuickVector: the small growable array of the effector framework. The first 16 elements live
// inside the object; past that a heap block grows by one eighth of the length plus 16
// (capacities 16, 34, 54, 76, 101, 129, ...). It never shrinks, so a list refilled every frame
// allocates nothing once it has reached its size. Elements are moved with byte copies, so T
// must be trivially copyable.
#include <cstdlib>
#include <cstring>
#include <type_traits>

template <class T, int Shift = 3>
class CQuickVector {
    static_assert(std::is_trivially_copyable<T>::value, "CQuickVector holds byte-copyable elements only");

public:
    static constexpr int kInline = 16;

    CQuickVector() : m_pData(m_aInline), m_pHeap(nullptr), m_nCount(0), m_nCapacity(kInline) {}
    ~CQuickVector() { std::free(m_pHeap); }

    CQuickVector(const CQuickVector& other) : CQuickVector() { copyFrom(other); }
    CQuickVector& operator=(const CQuickVector& other) {
        if (this != &other) copyFrom(other);
        return *this;
    }

    T& operator[](int i) { return m_pData[i]; }
    const T& operator[](int i) const { return m_pData[i]; }
    T* data() { return m_pData; }
    const T* data() const { return m_pData; }
    int count() const { return m_nCount; }
    int capacity() const { return m_nCapacity; }
    bool usesHeap() const { return m_pHeap != nullptr; }

    // Empties the list and keeps its storage.
    void clear() { m_nCount = 0; }

    // Makes room for n elements. Returns false (and changes nothing) when the heap block cannot
    // be grown.
    bool reserve(int n) {
        if (n <= m_nCapacity) return true;
        // The capacity never drops below the inline size, so a heap block is never smaller than
        // the inline block it takes over (the clamp only makes that visible to the compiler).
        const int capacity = n > kInline ? n : kInline;
        T* block = static_cast<T*>(std::realloc(m_pHeap, sizeof(T) * static_cast<size_t>(capacity)));
        if (!block) return false;
        // Leaving the inline block: only the elements in use carry values.
        if (m_pData == m_aInline && m_nCount > 0)
            std::memcpy(static_cast<void*>(block), m_aInline, sizeof(T) * static_cast<size_t>(m_nCount));
        m_pHeap = block;
        m_pData = block;
        m_nCapacity = capacity;
        return true;
    }

    // Adds value at the end. Returns false (the list unchanged) when it cannot grow.
    bool append(const T& value) {
        if (m_nCapacity <= m_nCount && !reserve(m_nCount + (m_nCount >> Shift) + kInline)) return false;
        m_pData[m_nCount++] = value;
        return true;
    }

    // Sets the count to n, growing as needed; new elements are zero-filled. False when it cannot grow.
    // Grows by the steps of append (at least to n), so that a list resized to a slowly rising
    // length every frame does not reallocate at each new length.
    bool resize(int n) {
        if (n < 0) n = 0;
        if (n > m_nCapacity) {
            const int step = m_nCapacity + (m_nCapacity >> Shift) + kInline;
            if (!reserve(n > step ? n : step)) return false;
        }
        if (n > m_nCount) std::memset(static_cast<void*>(m_pData + m_nCount), 0, sizeof(T) * (n - m_nCount));
        m_nCount = n;
        return true;
    }

private:
    void copyFrom(const CQuickVector& other) {
        if (!reserve(other.m_nCount)) {
            m_nCount = 0;
            return;
        }
        m_nCount = other.m_nCount;
        if (m_nCount > 0) std::memcpy(static_cast<void*>(m_pData), other.m_pData, sizeof(T) * m_nCount);
    }

    T* m_pData;
    T m_aInline[kInline];
    T* m_pHeap;
    int m_nCount;
    int m_nCapacity;
};
