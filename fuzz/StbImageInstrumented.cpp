// The image decoder of the bitmap loader, compiled into the bitmap target from the system's
// header. The target's own definitions take the place of the shared library's, so the fuzzer
// sees the decoder's branches and the sanitizers check its memory accesses.
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
