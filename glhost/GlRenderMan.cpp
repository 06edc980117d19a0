#include "glhost/GlRenderMan.h"

#include <epoxy/gl.h>

namespace glhost {

void GlRenderMan::flush(int) {
    ++m_flushes;
    glFlush();
}

}  // namespace glhost
