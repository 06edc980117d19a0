#pragma once
// Counts heap allocations of this test program: malloc, calloc, realloc, the aligned forms and
// every global operator new are interposed and counted while counting is on.

namespace alloc_test {

struct AllocationCount {
    long allocations;  // malloc, calloc, realloc, aligned allocations, operator new (all forms)
    long releases;     // free and operator delete of non-null pointers
};

void startCounting();
AllocationCount stopCounting();

}  // namespace alloc_test
