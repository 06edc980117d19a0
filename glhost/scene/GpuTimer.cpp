#include "glhost/scene/GpuTimer.h"

#include "glhost/GlObjects.h"

namespace glhost {

GpuTimer::~GpuTimer() { releaseQueries(); }

void GpuTimer::releaseQueries() {
    end();
    for (Pending& p : m_pending) gl::deleteObject(gl::ObjectType::Query, p.query);
    for (GLuint& q : m_free) gl::deleteObject(gl::ObjectType::Query, q);
    m_pending.clear();
    m_free.clear();
}

void GpuTimer::begin(const char* name) {
    if (!m_enabled) return;
    end();
    size_t index = 0;
    while (index < m_passes.size() && m_passes[index].name != name) ++index;
    if (index == m_passes.size()) m_passes.push_back(Pass{name});
    GLuint query = 0;
    if (m_free.empty()) {
        query = gl::createQuery(GL_TIME_ELAPSED);
    } else {
        query = m_free.back();
        m_free.pop_back();
    }
    glBeginQuery(GL_TIME_ELAPSED, query);
    m_pending.push_back({index, query});
    m_running = true;
}

void GpuTimer::end() {
    if (!m_running) return;
    glEndQuery(GL_TIME_ELAPSED);
    m_running = false;
}

void GpuTimer::frameEnd() {
    end();
    for (const Pending& p : m_pending) {
        GLuint64 ns = 0;
        glGetQueryObjectui64v(p.query, GL_QUERY_RESULT, &ns);
        m_passes[p.pass].totalMs += double(ns) * 1e-6;
        ++m_passes[p.pass].frames;
        m_free.push_back(p.query);
    }
    m_pending.clear();
}

}  // namespace glhost
