// Interposes the C allocator and replaces the global operator new and delete, so that every
// heap allocation of the program (the module's malloc/realloc storage included) is counted.
// The C functions forward to the next definition in the lookup order (the C library, or the
// sanitizer runtime in sanitizer builds); operator new and delete forward to them.
#include "AllocationCounter.h"

#include <dlfcn.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

namespace {

using MallocFn = void* (*)(size_t);
using CallocFn = void* (*)(size_t, size_t);
using ReallocFn = void* (*)(void*, size_t);
using FreeFn = void (*)(void*);
using AlignedAllocFn = void* (*)(size_t, size_t);
using PosixMemalignFn = int (*)(void**, size_t, size_t);
using MemalignFn = void* (*)(size_t, size_t);

MallocFn g_malloc = nullptr;
CallocFn g_calloc = nullptr;
ReallocFn g_realloc = nullptr;
FreeFn g_free = nullptr;
AlignedAllocFn g_alignedAlloc = nullptr;
PosixMemalignFn g_posixMemalign = nullptr;
MemalignFn g_memalign = nullptr;

// The interposed functions run before the sanitizer runtime has finished starting (it
// allocates while it starts), so they are not instrumented and use only builtins.
#define ALLOC_TEST_UNINSTRUMENTED __attribute__((no_sanitize("address", "undefined")))

bool g_counting = false;
long g_allocations = 0;
long g_releases = 0;

// Serves the few allocations the dynamic linker may make while the real functions are being
// looked up. Never released.
alignas(std::max_align_t) unsigned char g_bootstrap[16384];
size_t g_bootstrapUsed = 0;
bool g_resolving = false;

ALLOC_TEST_UNINSTRUMENTED bool fromBootstrap(const void* p) {
    const unsigned char* c = static_cast<const unsigned char*>(p);
    return c >= g_bootstrap && c < g_bootstrap + sizeof(g_bootstrap);
}

ALLOC_TEST_UNINSTRUMENTED void* bootstrapAlloc(size_t n) {
    const size_t align = alignof(std::max_align_t);
    size_t start = (g_bootstrapUsed + align - 1) / align * align;
    if (start + n > sizeof(g_bootstrap)) return nullptr;
    g_bootstrapUsed = start + n;
    return g_bootstrap + start;  // static storage is zero-filled, as calloc needs
}

ALLOC_TEST_UNINSTRUMENTED void resolve() {
    if (g_malloc || g_resolving) return;
    g_resolving = true;
    g_calloc = reinterpret_cast<CallocFn>(dlsym(RTLD_NEXT, "calloc"));
    g_realloc = reinterpret_cast<ReallocFn>(dlsym(RTLD_NEXT, "realloc"));
    g_free = reinterpret_cast<FreeFn>(dlsym(RTLD_NEXT, "free"));
    g_alignedAlloc = reinterpret_cast<AlignedAllocFn>(dlsym(RTLD_NEXT, "aligned_alloc"));
    g_posixMemalign = reinterpret_cast<PosixMemalignFn>(dlsym(RTLD_NEXT, "posix_memalign"));
    g_memalign = reinterpret_cast<MemalignFn>(dlsym(RTLD_NEXT, "memalign"));
    MallocFn m = reinterpret_cast<MallocFn>(dlsym(RTLD_NEXT, "malloc"));
    g_resolving = false;
    g_malloc = m;  // last: it marks the table complete
}

ALLOC_TEST_UNINSTRUMENTED void countAllocation() {
    if (__atomic_load_n(&g_counting, __ATOMIC_RELAXED)) __atomic_fetch_add(&g_allocations, 1, __ATOMIC_RELAXED);
}

ALLOC_TEST_UNINSTRUMENTED void countRelease(const void* p) {
    if (p && __atomic_load_n(&g_counting, __ATOMIC_RELAXED)) __atomic_fetch_add(&g_releases, 1, __ATOMIC_RELAXED);
}

}  // namespace

namespace alloc_test {

void startCounting() {
    __atomic_store_n(&g_allocations, 0, __ATOMIC_SEQ_CST);
    __atomic_store_n(&g_releases, 0, __ATOMIC_SEQ_CST);
    __atomic_store_n(&g_counting, true, __ATOMIC_SEQ_CST);
}

AllocationCount stopCounting() {
    __atomic_store_n(&g_counting, false, __ATOMIC_SEQ_CST);
    return AllocationCount{__atomic_load_n(&g_allocations, __ATOMIC_SEQ_CST), __atomic_load_n(&g_releases, __ATOMIC_SEQ_CST)};
}

}  // namespace alloc_test

extern "C" {

ALLOC_TEST_UNINSTRUMENTED void* malloc(size_t n) {
    resolve();
    if (!g_malloc) return bootstrapAlloc(n);
    countAllocation();
    return g_malloc(n);
}

ALLOC_TEST_UNINSTRUMENTED void* calloc(size_t count, size_t size) {
    resolve();
    if (!g_calloc || g_resolving) return size && count > SIZE_MAX / size ? nullptr : bootstrapAlloc(count * size);
    countAllocation();
    return g_calloc(count, size);
}

ALLOC_TEST_UNINSTRUMENTED void* realloc(void* p, size_t n) {
    resolve();
    if (fromBootstrap(p)) {  // move out of the bootstrap block (its old size is unknown: copy what fits)
        void* q = malloc(n);
        if (q) {
            const size_t available = static_cast<size_t>(g_bootstrap + sizeof(g_bootstrap) - static_cast<unsigned char*>(p));
            std::memcpy(q, p, n < available ? n : available);
        }
        return q;
    }
    if (!g_realloc) return nullptr;
    countAllocation();
    return g_realloc(p, n);
}

ALLOC_TEST_UNINSTRUMENTED void free(void* p) {
    if (!p || fromBootstrap(p)) return;
    resolve();
    countRelease(p);
    if (g_free) g_free(p);
}

ALLOC_TEST_UNINSTRUMENTED void* aligned_alloc(size_t alignment, size_t n) {
    resolve();
    countAllocation();
    return g_alignedAlloc ? g_alignedAlloc(alignment, n) : nullptr;
}

ALLOC_TEST_UNINSTRUMENTED int posix_memalign(void** out, size_t alignment, size_t n) {
    resolve();
    countAllocation();
    return g_posixMemalign ? g_posixMemalign(out, alignment, n) : 12;  // ENOMEM
}

ALLOC_TEST_UNINSTRUMENTED void* memalign(size_t alignment, size_t n) {
    resolve();
    countAllocation();
    return g_memalign ? g_memalign(alignment, n) : nullptr;
}

}  // extern "C"

// Global operator new and delete, every form, on top of the counted C functions.
namespace {

void* allocateOrNull(size_t n) { return malloc(n ? n : 1); }

void* allocateAlignedOrNull(size_t n, std::align_val_t al) {
    void* p = nullptr;
    size_t alignment = static_cast<size_t>(al);
    if (alignment < sizeof(void*)) alignment = sizeof(void*);
    return posix_memalign(&p, alignment, n ? n : 1) == 0 ? p : nullptr;
}

void* allocateOrThrow(size_t n) {
    void* p = allocateOrNull(n);
    if (!p) throw std::bad_alloc();
    return p;
}

void* allocateAlignedOrThrow(size_t n, std::align_val_t al) {
    void* p = allocateAlignedOrNull(n, al);
    if (!p) throw std::bad_alloc();
    return p;
}

}  // namespace

void* operator new(size_t n) { return allocateOrThrow(n); }
void* operator new[](size_t n) { return allocateOrThrow(n); }
void* operator new(size_t n, const std::nothrow_t&) noexcept { return allocateOrNull(n); }
void* operator new[](size_t n, const std::nothrow_t&) noexcept { return allocateOrNull(n); }
void* operator new(size_t n, std::align_val_t al) { return allocateAlignedOrThrow(n, al); }
void* operator new[](size_t n, std::align_val_t al) { return allocateAlignedOrThrow(n, al); }
void* operator new(size_t n, std::align_val_t al, const std::nothrow_t&) noexcept { return allocateAlignedOrNull(n, al); }
void* operator new[](size_t n, std::align_val_t al, const std::nothrow_t&) noexcept { return allocateAlignedOrNull(n, al); }

void operator delete(void* p) noexcept { free(p); }
void operator delete[](void* p) noexcept { free(p); }
void operator delete(void* p, size_t) noexcept { free(p); }
void operator delete[](void* p, size_t) noexcept { free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { free(p); }
void operator delete(void* p, std::align_val_t) noexcept { free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { free(p); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { free(p); }
void operator delete[](void* p, size_t, std::align_val_t) noexcept { free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { free(p); }
