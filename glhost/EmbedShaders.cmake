# Writes OUTPUT, a C++ source holding every file of SOURCES (paths under BASE) as a string: the
# shaders are part of the binary and need no files at run time.
#   cmake -DOUTPUT=... -DBASE=... -DSOURCES="a.vert;b.frag" -P EmbedShaders.cmake
set(body "")
foreach(source ${SOURCES})
  file(READ "${BASE}/${source}" text)
  string(FIND "${text}" ")glsl\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${source} contains the string delimiter )glsl\"")
  endif()
  string(APPEND body "    {\"${source}\", R\"glsl(${text})glsl\"},\n")
endforeach()
file(WRITE "${OUTPUT}.tmp"
  "// Generated from glhost/shaders/ by EmbedShaders.cmake: do not edit.\n"
  "#include \"glhost/GlShaderSource.h\"\n\n"
  "namespace glhost {\n\n"
  "const EmbeddedFile kEmbeddedShaders[] = {\n${body}};\n"
  "const int kEmbeddedShaderCount = sizeof(kEmbeddedShaders) / sizeof(kEmbeddedShaders[0]);\n\n"
  "}  // namespace glhost\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
