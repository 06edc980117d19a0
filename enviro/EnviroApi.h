#pragma once
// Export marker of libenviro.so. The module is compiled with hidden visibility; only the
// declarations carrying ENVIRO_API (the exported classes, the three module globals,
// createEnviro, and the host-seam globals a host must set) are visible to the host program.
#define ENVIRO_API __attribute__((visibility("default")))
