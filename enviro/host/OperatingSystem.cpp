#include "enviro/host/OperatingSystem.h"

#include <chrono>
#include <cstdio>

namespace os {

IOperatingSystem* pOperatingSystem = nullptr;

void MessageBox(const char* text) {
    if (pOperatingSystem) {
        pOperatingSystem->messageBox(text ? text : "");
        return;
    }
    std::fprintf(stderr, "%s\n", text ? text : "");
}

uint32_t GetTickCount() {
    if (pOperatingSystem) return pOperatingSystem->getTickCount();
    using namespace std::chrono;
    auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<uint32_t>(ms);
}

}  // namespace os
