#pragma once
// Logs, in order, the blocks the global operator new hands out and operator delete takes back,
// so that tests can tell in which order objects were created and whether they were released.
#include <cstddef>

namespace entry_test {

void startLog();
void stopLog();
// Position of p among the blocks allocated while logging, or -1.
int allocationIndex(const void* p);
// Was p released while logging?
bool wasReleased(const void* p);

}  // namespace entry_test
