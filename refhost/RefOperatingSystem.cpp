#include "refhost/RefOperatingSystem.h"

#include <chrono>

namespace refhost {

void RefOperatingSystem::messageBox(const char* text) { m_messages.push_back(text ? text : ""); }

uint32_t RefOperatingSystem::clockTicks() {
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

uint32_t RefOperatingSystem::getTickCount() { return m_manual ? m_ticks : clockTicks(); }

void RefOperatingSystem::setTicks(uint32_t ticks) {
    m_manual = true;
    m_ticks = ticks;
}

void RefOperatingSystem::advance(uint32_t ms) {
    if (!m_manual) setTicks(clockTicks());
    m_ticks += ms;  // wraps at 2^32 as the counter does
}

}  // namespace refhost
