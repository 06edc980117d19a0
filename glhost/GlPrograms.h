#pragma once
// The host's GLSL programs, compiled from the embedded files of glhost/shaders/ when a client
// or the scene first asks for them (at start-up), and kept by name for the life of the context.
#include <map>
#include <memory>
#include <string>

#include "glhost/GlShader.h"
#include "glhost/GlShaderSource.h"

namespace glhost {

class GlPrograms {
public:
    // The program name made of the two files (kept: asking again returns the same program). Null
    // with the reason in error when a file is missing or does not compile or link; the message
    // names the file and line ("glhost/shaders/sky.frag:12: error: ...").
    GlShader* load(const std::string& name, const std::string& vertexFile, const std::string& fragmentFile,
                   std::string& error);
    // The same from another source of files (tests compile broken sources this way); not kept.
    static std::unique_ptr<GlShader> compile(const std::string& name, const std::string& vertexFile,
                                             const std::string& fragmentFile, ShaderLookup lookup,
                                             std::string& error);
    // A program loaded before, or null.
    GlShader* find(const std::string& name) const;
    // Deletes every program (before the context goes).
    void clear() { m_programs.clear(); }

private:
    std::map<std::string, std::unique_ptr<GlShader>> m_programs;
};

}  // namespace glhost
