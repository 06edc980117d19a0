// The effector framework's allocation counter, compiled into this test program as well.
#include "effector/alloc/AllocationCounter.cpp"
