#pragma once
// An OpenGL 4.5 core context, current on the calling thread, with the GL's debug output routed
// to a counter.
//
// Headless (the default): EGL. Mesa's surfaceless platform is preferred where the EGL library
// offers it (EGL_MESA_platform_surfaceless: llvmpipe on a machine without a GPU, the GPU's Mesa
// driver on one with it); otherwise the EGL default display (a GPU vendor's EGL). The context
// has no surface; the host draws into its own framebuffer objects.
// Windowed: a GLFW window with its own 4.5 core context, for people at a desk.
//
// Both set the clip-space conventions of the module's matrices: depth 0..1 and the origin of
// window coordinates at the top-left (glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE)), so that
// left-handed projections, viewports, rectangles and texture rows read as the module writes
// them: row 0 is the top of an image.
//
// Debug output: every message of type error is counted and its text kept (the first 32), and
// every message of high severity too, except the shader compiler's (a program that does not
// compile is reported with its file and line by GlPrograms); the context is a debug context so
// drivers report them.
#include <memory>
#include <string>
#include <vector>

struct GLFWwindow;

namespace glhost {

class GlContext {
public:
    struct Options {
        bool window = false;  // a GLFW window instead of a headless context
        int windowWidth = 960;
        int windowHeight = 540;
        std::string title = "enviro";
    };

    // Null with the reason in error when no EGL display (or window) can be had, the driver
    // offers no OpenGL 4.5 core context, or the context cannot be made current.
    static std::unique_ptr<GlContext> create(const Options& options, std::string& error);
    ~GlContext();
    GlContext(const GlContext&) = delete;
    GlContext& operator=(const GlContext&) = delete;

    // "llvmpipe (LLVM 15.0.6, 256 bits), 4.5 (Core Profile) Mesa 22.3.6".
    std::string deviceName() const;

    // Errors reported by the debug output since creation (debug output is core in GL 4.3, so
    // every error of every call reaches it).
    int errorCount() const { return m_errors; }
    const std::vector<std::string>& errorMessages() const { return m_messages; }

    GLFWwindow* window() const { return m_window; }
    // Shows the window's back buffer; false once the user closed the window (or there is none).
    bool present();

private:
    GlContext() = default;
    bool createHeadless(std::string& error);
    bool createWindow(const Options& options, std::string& error);
    bool finishSetup(std::string& error);
    void onMessage(unsigned source, unsigned type, unsigned severity, const char* text);
    static void debugCallback(unsigned source, unsigned type, unsigned id, unsigned severity, int length,
                              const char* message, const void* self);

    void* m_display = nullptr;  // EGLDisplay
    void* m_context = nullptr;  // EGLContext
    GLFWwindow* m_window = nullptr;
    int m_errors = 0;
    std::vector<std::string> m_messages;
};

}  // namespace glhost
