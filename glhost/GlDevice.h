#pragma once
// What every GL render client and the scene draw with: the render API (targets, textures), the
// program library and a full-screen triangle.
#include <epoxy/gl.h>

#include "glhost/GlPrograms.h"
#include "glhost/GlRenderApi.h"

namespace glhost {

class GlDevice {
public:
    GlDevice(GlRenderApi& api, GlPrograms& programs);
    ~GlDevice();
    GlDevice(const GlDevice&) = delete;
    GlDevice& operator=(const GlDevice&) = delete;

    GlRenderApi& api() { return m_api; }
    GlPrograms& programs() { return m_programs; }

    // Draws one triangle that covers the viewport with program (already in use); its vertex
    // shader makes the corners from gl_VertexID (shaders/fullscreen.vert).
    void drawFullscreen();
    // Depth test, depth writes, blending and culling off: the state a full-screen pass wants.
    static void screenPassState();

private:
    GlRenderApi& m_api;
    GlPrograms& m_programs;
    GLuint m_emptyVertexArray = 0;
};

}  // namespace glhost
