#include "enviro/effector/CountedTargetName.h"

#include <cstdio>

namespace effector {

namespace {
unsigned int s_nextTargetNumber = 0;
}  // namespace

void makeCountedTargetName(const char* base, char (&out)[kCountedTargetNameSize]) {
    std::snprintf(out, sizeof(out), "%s%u", base ? base : "", s_nextTargetNumber++);
}

void skipCountedTargetName() { ++s_nextTargetNumber; }

unsigned int peekCountedTargetName() { return s_nextTargetNumber; }

}  // namespace effector
