#include "refhost/RefRenderMan.h"

namespace refhost {

void RefRenderMan::flush(int mode) {
    ++m_flushes;
    record("flush", mode);
}

void RefRenderMan::submit(int mode) {
    ++m_submits;
    record("submit", mode);
}

void RefRenderMan::endPass() {
    ++m_endPasses;
    record("endPass", 0);
}

void RefRenderMan::clearCalls() {
    m_calls.clear();
    m_flushes = m_submits = m_endPasses = 0;
}

void RefRenderMan::record(const char* op, int mode) {
    if (m_recording) m_calls.push_back(Call{op, mode});
}

}  // namespace refhost
