#pragma once
// Operating-system services: a modal message box and a millisecond tick counter. Both have
// working defaults (the text to the standard error stream; a monotonic clock); a host may
// install its own.
#include <cstdint>

#include "enviro/EnviroApi.h"

namespace os {

class IOperatingSystem {
public:
    virtual ~IOperatingSystem() = default;
    // Modal box with no owner window, no caption and an OK button.
    virtual void messageBox(const char* text) = 0;
    // Milliseconds since an arbitrary start, wrapping at 2^32.
    virtual uint32_t getTickCount() = 0;
};

ENVIRO_API extern IOperatingSystem* pOperatingSystem;

void MessageBox(const char* text);
uint32_t GetTickCount();

}  // namespace os
