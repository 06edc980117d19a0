#pragma once
// The GLSL sources of glhost/shaders/, embedded into the binary at build time (EmbedShaders.cmake),
// and the two steps between a file and a driver: include expansion and error messages that name
// the file and line.
//
// A shader file begins with "#version 450 core". A line `#include "name"` (after the version)
// takes the text of another embedded file; each piece is preceded by "#line N k", so a driver's
// message about source string k, line N is about file k (files[k]), line N.
#include <string>
#include <vector>

namespace glhost {

struct EmbeddedFile {
    const char* name;  // "sky.frag": the path below glhost/shaders/
    const char* text;
};

extern const EmbeddedFile kEmbeddedShaders[];
extern const int kEmbeddedShaderCount;

// The embedded file name, or null.
const char* findEmbeddedShader(const std::string& name);

// A file looked up by name (null when absent).
using ShaderLookup = const char* (*)(const std::string& name);

// The source of one stage from file name: includes expanded (at most 8 deep), files[k] the name
// of source string k (files[0] = name). False with the reason (file and line) in error for a
// missing file or a malformed include.
bool expandShaderSource(const std::string& name, ShaderLookup lookup, std::string& out,
                        std::vector<std::string>& files, std::string& error);

// A compile log rewritten so that each message names its place: "glhost/shaders/sky.frag:12: error: ...".
// Understands "k:line(column): message" and "k(line) : message"; other lines are kept as they are.
std::string describeShaderLog(const std::string& log, const std::vector<std::string>& files);

}  // namespace glhost
