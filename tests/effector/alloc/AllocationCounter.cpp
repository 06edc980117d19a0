// The suite's one allocation interposer, for the test programs that include this file.
#include "entry/AllocationLog.cpp"
