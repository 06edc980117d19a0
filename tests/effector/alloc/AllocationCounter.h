#pragma once
// The allocation counting of the older tests, on the suite's one allocation log
// (entry/AllocationLog.h, which new tests use directly).
#include "entry/AllocationLog.h"

namespace alloc_test {

struct AllocationCount { long allocations, releases; };  // as entry_test::allocationCount() and releaseCount()
inline void startCounting() { entry_test::startLog(); }
inline AllocationCount stopCounting() { entry_test::stopLog(); return {entry_test::allocationCount(), entry_test::releaseCount()}; }

}  // namespace alloc_test
