#include "glhost/GlContext.h"

#include <epoxy/egl.h>
#include <epoxy/gl.h>
#include <GLFW/glfw3.h>

#include <cstring>

namespace glhost {

namespace {

constexpr size_t kKeptMessages = 32;

bool hasExtension(const char* list, const char* name) {
    if (!list) return false;
    const size_t n = std::strlen(name);
    for (const char* p = std::strstr(list, name); p; p = std::strstr(p + n, name))
        if ((p == list || p[-1] == ' ') && (p[n] == ' ' || p[n] == '\0')) return true;
    return false;
}

std::string eglErrorText(const char* what) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%04X", static_cast<unsigned>(eglGetError()));
    return std::string(what) + " (EGL error " + code + ")";
}

}  // namespace

std::unique_ptr<GlContext> GlContext::create(const Options& options, std::string& error) {
    std::unique_ptr<GlContext> context(new GlContext());
    const bool made = options.window ? context->createWindow(options, error) : context->createHeadless(error);
    if (!made || !context->finishSetup(error)) return nullptr;
    return context;
}

bool GlContext::createHeadless(std::string& error) {
    // The EGL library itself may be missing (no libEGL, or no vendor library behind it).
    if (!epoxy_has_egl()) {
        error = "no EGL library: install the EGL and Mesa packages (libegl1, libegl-mesa0, libgl1-mesa-dri)";
        return false;
    }
    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    EGLDisplay display = EGL_NO_DISPLAY;
    if (hasExtension(clientExtensions, "EGL_MESA_platform_surfaceless"))
        display = eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY) display = eglGetDisplay(EGL_DEFAULT_DISPLAY);
    EGLint major = 0, minor = 0;
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor)) {
        error = eglErrorText("no EGL display could be opened");
        return false;
    }
    m_display = display;
    if (!eglBindAPI(EGL_OPENGL_API)) {
        error = eglErrorText("the EGL display offers no desktop OpenGL");
        return false;
    }
    const char* displayExtensions = eglQueryString(display, EGL_EXTENSIONS);
    if (!hasExtension(displayExtensions, "EGL_KHR_surfaceless_context")) {
        error = "the EGL display cannot make a context current without a surface (EGL_KHR_surfaceless_context)";
        return false;
    }
    EGLConfig config = EGL_NO_CONFIG_KHR;
    if (!hasExtension(displayExtensions, "EGL_KHR_no_config_context")) {
        const EGLint wanted[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
        EGLint count = 0;
        if (!eglChooseConfig(display, wanted, &config, 1, &count) || count < 1) {
            error = eglErrorText("the EGL display has no OpenGL configuration");
            return false;
        }
    }
    const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION, 4,
                                 EGL_CONTEXT_MINOR_VERSION, 5,
                                 EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                 EGL_CONTEXT_OPENGL_DEBUG, EGL_TRUE,
                                 EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, attributes);
    if (context == EGL_NO_CONTEXT) {
        error = eglErrorText("the driver offers no OpenGL 4.5 core context");
        return false;
    }
    m_context = context;
    if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
        error = eglErrorText("the OpenGL context cannot be made current");
        return false;
    }
    return true;
}

bool GlContext::createWindow(const Options& options, std::string& error) {
    if (!glfwInit()) {
        error = "no window system: GLFW could not start (is a display available?)";
        return false;
    }
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 4);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 5);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_OPENGL_FORWARD_COMPAT, GLFW_TRUE);
    glfwWindowHint(GLFW_OPENGL_DEBUG_CONTEXT, GLFW_TRUE);
    glfwWindowHint(GLFW_RESIZABLE, GLFW_FALSE);
    m_window = glfwCreateWindow(options.windowWidth, options.windowHeight, options.title.c_str(), nullptr, nullptr);
    if (!m_window) {
        error = "no window with an OpenGL 4.5 core context could be opened";
        glfwTerminate();
        return false;
    }
    glfwMakeContextCurrent(m_window);
    return true;
}

bool GlContext::finishSetup(std::string& error) {
    if (epoxy_gl_version() < 45) {
        error = "the OpenGL context is older than 4.5 core (" + deviceName() + ")";
        return false;
    }
    glEnable(GL_DEBUG_OUTPUT);
    glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);  // reported inside the call that caused it
    glDebugMessageCallback(reinterpret_cast<GLDEBUGPROC>(&GlContext::debugCallback), this);
    glDebugMessageControl(GL_DONT_CARE, GL_DONT_CARE, GL_DONT_CARE, 0, nullptr, GL_TRUE);
    glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE);
    return true;
}

GlContext::~GlContext() {
    if (m_window) {
        glfwDestroyWindow(m_window);
        glfwTerminate();
        return;
    }
    // The display stays initialised: EGL displays belong to the process (a later context reuses
    // it), and terminating it would unload the driver with its one-time state still allocated.
    if (m_display) {
        eglMakeCurrent(m_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (m_context) eglDestroyContext(m_display, m_context);
        eglReleaseThread();
    }
}

std::string GlContext::deviceName() const {
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    return std::string(renderer ? renderer : "?") + ", " + (version ? version : "?");
}

bool GlContext::present() {
    if (!m_window) return false;
    glfwSwapBuffers(m_window);
    glfwPollEvents();
    return !glfwWindowShouldClose(m_window);
}

void GlContext::onMessage(unsigned source, unsigned type, unsigned severity, const char* text) {
    // A shader that does not compile is reported by GlPrograms with its file and line.
    if (source == GL_DEBUG_SOURCE_SHADER_COMPILER) return;
    if (type != GL_DEBUG_TYPE_ERROR && severity != GL_DEBUG_SEVERITY_HIGH) return;
    ++m_errors;
    if (m_messages.size() < kKeptMessages) m_messages.emplace_back(text ? text : "");
}

void GlContext::debugCallback(unsigned source, unsigned type, unsigned, unsigned severity, int, const char* message,
                              const void* self) {
    const_cast<GlContext*>(static_cast<const GlContext*>(self))->onMessage(source, type, severity, message);
}

}  // namespace glhost
