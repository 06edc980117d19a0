#pragma once
// Names of per-screen render targets that a host may create more than once (one set per view or
// per screen size): the base name followed by the decimal value of one module-wide counter, which
// rises by one with every name made, so names never repeat within a run. The tiled light-list
// targets take their names from it and the screen-depth targets draw from the same counter.
// Render thread only.

namespace effector {

// Longest name made, terminating zero included; longer base names are cut.
constexpr int kCountedTargetNameSize = 64;

// Writes base + counter into out and advances the counter. A null base counts as "".
void makeCountedTargetName(const char* base, char (&out)[kCountedTargetNameSize]);

// Advances the counter without making a name (for targets whose names are fixed).
void skipCountedTargetName();

// The value the next name will carry.
unsigned int peekCountedTargetName();

}  // namespace effector
