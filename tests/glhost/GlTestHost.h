#pragma once
// One OpenGL host for the whole test program (a context per test would cost more than the tests):
// made on first use, installed into the module's globals, and checked when the program ends:
// no GL error reported over the whole run, and no GL object left after releaseGlObjects.
#include <gtest/gtest.h>

#include "glhost/GlHost.h"

namespace glhost::test {

// The shared host (installed). Fails the calling test when no context can be had.
GlHost& host();
// GL errors a test caused on purpose (the shutdown check expects exactly these).
extern int provokedErrors;

}  // namespace glhost::test
