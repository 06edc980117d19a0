// Replaces the global operator new and delete (every form) of this test program with logging
// versions on top of malloc and free.
#include "AllocationLog.h"

#include <cstdlib>
#include <new>

namespace {

constexpr int kCapacity = 4096;
const void* g_allocated[kCapacity];
const void* g_released[kCapacity];
int g_allocatedCount = 0;
int g_releasedCount = 0;
bool g_logging = false;

void* logAllocation(void* p) {
    if (g_logging && p && g_allocatedCount < kCapacity) g_allocated[g_allocatedCount++] = p;
    return p;
}

void logRelease(void* p) {
    if (g_logging && p && g_releasedCount < kCapacity) g_released[g_releasedCount++] = p;
    std::free(p);
}

void* allocate(std::size_t n) { return logAllocation(std::malloc(n ? n : 1)); }

void* allocateAligned(std::size_t n, std::align_val_t al) {
    void* p = nullptr;
    std::size_t alignment = static_cast<std::size_t>(al);
    if (alignment < sizeof(void*)) alignment = sizeof(void*);
    return posix_memalign(&p, alignment, n ? n : 1) == 0 ? logAllocation(p) : nullptr;
}

void* orThrow(void* p) {
    if (!p) throw std::bad_alloc();
    return p;
}

}  // namespace

namespace entry_test {

void startLog() {
    g_allocatedCount = 0;
    g_releasedCount = 0;
    g_logging = true;
}

void stopLog() { g_logging = false; }

int allocationIndex(const void* p) {
    for (int i = 0; i < g_allocatedCount; ++i)
        if (g_allocated[i] == p) return i;
    return -1;
}

bool wasReleased(const void* p) {
    for (int i = 0; i < g_releasedCount; ++i)
        if (g_released[i] == p) return true;
    return false;
}

}  // namespace entry_test

void* operator new(std::size_t n) { return orThrow(allocate(n)); }
void* operator new[](std::size_t n) { return orThrow(allocate(n)); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return allocate(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return allocate(n); }
void* operator new(std::size_t n, std::align_val_t al) { return orThrow(allocateAligned(n, al)); }
void* operator new[](std::size_t n, std::align_val_t al) { return orThrow(allocateAligned(n, al)); }
void* operator new(std::size_t n, std::align_val_t al, const std::nothrow_t&) noexcept { return allocateAligned(n, al); }
void* operator new[](std::size_t n, std::align_val_t al, const std::nothrow_t&) noexcept { return allocateAligned(n, al); }

void operator delete(void* p) noexcept { logRelease(p); }
void operator delete[](void* p) noexcept { logRelease(p); }
void operator delete(void* p, std::size_t) noexcept { logRelease(p); }
void operator delete[](void* p, std::size_t) noexcept { logRelease(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { logRelease(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { logRelease(p); }
void operator delete(void* p, std::align_val_t) noexcept { logRelease(p); }
void operator delete[](void* p, std::align_val_t) noexcept { logRelease(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { logRelease(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { logRelease(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { logRelease(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { logRelease(p); }
