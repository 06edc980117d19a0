#pragma once
// The reference host's operating-system services: message boxes are recorded (nothing is shown
// or printed), and the tick counter follows a monotonic clock until a test takes it over with
// setTicks or advance.
#include <cstdint>
#include <string>
#include <vector>

#include "enviro/host/OperatingSystem.h"

namespace refhost {

class RefOperatingSystem final : public os::IOperatingSystem {
public:
    void messageBox(const char* text) override;
    uint32_t getTickCount() override;

    const std::vector<std::string>& messages() const { return m_messages; }
    void clearMessages() { m_messages.clear(); }

    // From now on the counter reads ticks until changed again.
    void setTicks(uint32_t ticks);
    // Moves the counter on by ms (taking it over from the clock at its current value first).
    void advance(uint32_t ms);
    // Back to the monotonic clock.
    void useRealClock() { m_manual = false; }
    bool isManualClock() const { return m_manual; }

private:
    static uint32_t clockTicks();

    std::vector<std::string> m_messages;
    bool m_manual = false;
    uint32_t m_ticks = 0;
};

}  // namespace refhost
