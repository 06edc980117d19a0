#pragma once
// The reference renderer's render manager. Drawing in the reference renderer happens at once
// (clients write their pixels when called), so flush and submit have nothing to wait for; the
// manager counts and records the calls so that tests can check where passes flush and end.
#include <string>
#include <vector>

#include "enviro/host/RenderApi.h"

namespace refhost {

class RefRenderMan final : public RendMan::IRenderMan {
public:
    struct Call {
        std::string op;  // "flush", "submit" or "endPass"
        int mode;        // the argument of flush and submit; 0 for endPass
    };

    void flush(int mode) override;
    void submit(int mode) override;
    void endPass() override;

    int flushCount() const { return m_flushes; }
    int submitCount() const { return m_submits; }
    int endPassCount() const { return m_endPasses; }
    // Every call in order (while recording is on).
    const std::vector<Call>& calls() const { return m_calls; }
    void clearCalls();
    // Long runs (benchmarks) switch the call list off; the counters keep counting.
    void setRecording(bool on) { m_recording = on; }

private:
    void record(const char* op, int mode);

    int m_flushes = 0;
    int m_submits = 0;
    int m_endPasses = 0;
    bool m_recording = true;
    std::vector<Call> m_calls;
};

}  // namespace refhost
