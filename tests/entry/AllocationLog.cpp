// The allocation log. malloc, realloc and free forward to the next definition in the lookup order
// (the C library, or the sanitizer runtime in sanitizer builds); operator new and delete forward
// to them.
#include "AllocationLog.h"

#include <dlfcn.h>

#include <cstdlib>
#include <new>

// These run before the sanitizer runtime has finished starting (it allocates while it starts), so
// they are not instrumented and use builtins only.
#define LOG_UNINSTRUMENTED __attribute__((no_sanitize("address", "undefined")))

namespace {

void* (*g_malloc)(std::size_t) = nullptr;
void* (*g_realloc)(void*, std::size_t) = nullptr;
void (*g_free)(void*) = nullptr;
bool g_resolving = false;

// Serves what the dynamic linker allocates while the real functions are looked up; never freed.
alignas(std::max_align_t) unsigned char g_bootstrap[16384];
std::size_t g_bootstrapUsed = 0;

enum { kAllocated, kReleased };
constexpr int kCapacity = 4096;
const void* g_log[2][kCapacity];
int g_counts[2] = {0, 0};
bool g_logging = false;

// False while the real functions are being looked up.
LOG_UNINSTRUMENTED bool resolved() {
    if (!g_malloc && !g_resolving) {
        g_resolving = true;
        g_realloc = reinterpret_cast<decltype(g_realloc)>(dlsym(RTLD_NEXT, "realloc"));
        g_free = reinterpret_cast<decltype(g_free)>(dlsym(RTLD_NEXT, "free"));
        g_malloc = reinterpret_cast<decltype(g_malloc)>(dlsym(RTLD_NEXT, "malloc"));  // last: it completes the table
        g_resolving = false;
    }
    return g_malloc != nullptr;
}

LOG_UNINSTRUMENTED bool fromBootstrap(const void* p) { return p >= g_bootstrap && p < g_bootstrap + sizeof(g_bootstrap); }

LOG_UNINSTRUMENTED void* bootstrap(std::size_t n) {
    const std::size_t start = (g_bootstrapUsed + alignof(std::max_align_t) - 1) / alignof(std::max_align_t) * alignof(std::max_align_t);
    if (start + n > sizeof(g_bootstrap)) return nullptr;
    g_bootstrapUsed = start + n;
    return g_bootstrap + start;
}

LOG_UNINSTRUMENTED void* logged(int kind, void* p) {
    if (p && __atomic_load_n(&g_logging, __ATOMIC_RELAXED)) {
        const int at = __atomic_fetch_add(&g_counts[kind], 1, __ATOMIC_RELAXED);
        if (at < kCapacity) g_log[kind][at] = p;
    }
    return p;
}

int find(int kind, const void* p) {
    for (int i = 0; i < g_counts[kind] && i < kCapacity; ++i)
        if (g_log[kind][i] == p) return i;
    return -1;
}

void* allocate(std::size_t n) { return malloc(n ? n : 1); }
void* allocateOrThrow(std::size_t n) {
    void* p = allocate(n);
    return p ? p : throw std::bad_alloc();
}

}  // namespace

namespace entry_test {

void startLog() {
    for (int& count : g_counts) __atomic_store_n(&count, 0, __ATOMIC_SEQ_CST);
    __atomic_store_n(&g_logging, true, __ATOMIC_SEQ_CST);
}
void stopLog() { __atomic_store_n(&g_logging, false, __ATOMIC_SEQ_CST); }
int allocationCount() { return __atomic_load_n(&g_counts[kAllocated], __ATOMIC_SEQ_CST); }
int releaseCount() { return __atomic_load_n(&g_counts[kReleased], __ATOMIC_SEQ_CST); }
int allocationIndex(const void* p) { return find(kAllocated, p); }
bool wasReleased(const void* p) { return find(kReleased, p) >= 0; }

}  // namespace entry_test

extern "C" {

LOG_UNINSTRUMENTED void* malloc(std::size_t n) { return resolved() ? logged(kAllocated, g_malloc(n)) : bootstrap(n); }

LOG_UNINSTRUMENTED void* realloc(void* p, std::size_t n) {
    if (!fromBootstrap(p)) return resolved() ? logged(kAllocated, g_realloc(p, n)) : nullptr;
    void* q = malloc(n);  // out of the bootstrap block, copying what fits (the old size is unknown)
    const std::size_t left = static_cast<std::size_t>(g_bootstrap + sizeof(g_bootstrap) - static_cast<unsigned char*>(p));
    if (q) __builtin_memcpy(q, p, n < left ? n : left);
    return q;
}

LOG_UNINSTRUMENTED void free(void* p) {
    if (p && !fromBootstrap(p) && resolved()) g_free(logged(kReleased, p));
}

}  // extern "C"

// The aligned forms are left to the C++ library (and are not logged).
void* operator new(std::size_t n) { return allocateOrThrow(n); }
void* operator new[](std::size_t n) { return allocateOrThrow(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return allocate(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return allocate(n); }
void operator delete(void* p) noexcept { free(p); }
void operator delete[](void* p) noexcept { free(p); }
void operator delete(void* p, std::size_t) noexcept { free(p); }
void operator delete[](void* p, std::size_t) noexcept { free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { free(p); }
