#pragma once
// The OpenGL host's render manager. GL runs commands in order, so queued drawing is in the target
// before any later command reads it: flush only hands the queue to the driver (glFlush); submit
// and the end of a shadow pass have nothing to wait for. Calls are counted for checks.
#include "enviro/host/RenderApi.h"

namespace glhost {

class GlRenderMan final : public RendMan::IRenderMan {
public:
    void flush(int mode) override;
    void submit(int) override { ++m_submits; }
    void endPass() override { ++m_endPasses; }

    int flushCount() const { return m_flushes; }
    int submitCount() const { return m_submits; }
    int endPassCount() const { return m_endPasses; }

private:
    int m_flushes = 0, m_submits = 0, m_endPasses = 0;
};

}  // namespace glhost
