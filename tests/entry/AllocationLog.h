#pragma once
// The test suite's allocation log. Linked into a test program (tests/CMakeLists.txt builds it as
// the library enviro_allocation_log), it takes the place of malloc, realloc, free and the global
// operator new and delete (all but the aligned forms), and while logging is on it records, in
// order, the blocks handed out (realloc counts as an allocation) and the blocks taken back.
#include <cstddef>

namespace entry_test {

// Starts a new log (the counts go back to zero) or stops logging.
void startLog();
void stopLog();
// Allocations and releases of non-null blocks since the last startLog.
int allocationCount();
int releaseCount();
// Position of p among the blocks allocated while logging, or -1 (the first 4096 are kept).
int allocationIndex(const void* p);
// Was p released while logging (among the first 4096 releases)?
bool wasReleased(const void* p);

}  // namespace entry_test
