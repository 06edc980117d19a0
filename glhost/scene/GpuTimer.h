#pragma once
// GPU time per pass of a frame from GL timer queries (GL_TIME_ELAPSED), for the frame-time
// breakdown. Passes run one after the other (timer queries do not nest). Results are read at
// frameEnd, which waits for the GPU: turn the timer on only when the figures are wanted.
#include <epoxy/gl.h>

#include <string>
#include <vector>

namespace glhost {

class GpuTimer {
public:
    ~GpuTimer();
    void setEnabled(bool on) { m_enabled = on; }
    bool isEnabled() const { return m_enabled; }

    // Starts timing the pass name (ends the one running).
    void begin(const char* name);
    void end();
    // Reads the frame's results into the totals.
    void frameEnd();

    struct Pass {
        std::string name;
        double totalMs = 0.0;
        int frames = 0;
    };
    const std::vector<Pass>& passes() const { return m_passes; }
    void reset() { m_passes.clear(); }
    // Deletes the GL queries (before the context goes); the timer makes new ones when used again.
    void releaseQueries();

private:
    struct Pending {
        size_t pass;
        GLuint query;
    };
    bool m_enabled = false;
    bool m_running = false;
    std::vector<Pass> m_passes;
    std::vector<Pending> m_pending;
    std::vector<GLuint> m_free;
};

}  // namespace glhost
