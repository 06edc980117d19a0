#include "glhost/GlDevice.h"

#include "glhost/GlObjects.h"

namespace glhost {

GlDevice::GlDevice(GlRenderApi& api, GlPrograms& programs)
    : m_api(api), m_programs(programs), m_emptyVertexArray(gl::createVertexArray()) {}

GlDevice::~GlDevice() { gl::deleteObject(gl::ObjectType::VertexArray, m_emptyVertexArray); }

void GlDevice::drawFullscreen() {
    glBindVertexArray(m_emptyVertexArray);
    glDrawArrays(GL_TRIANGLES, 0, 3);
}

void GlDevice::screenPassState() {
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}

}  // namespace glhost
