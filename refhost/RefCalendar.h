#pragma once
// Proleptic Gregorian calendar arithmetic for hosts that step dates (the frame driver, the tools).
#include <cstdint>

namespace refhost {

// Days since 1970-01-01 of a proleptic Gregorian date (every date, over 400-year eras), and back.
int64_t daysFromCivil(int year, int month, int day);
void civilFromDays(int64_t days, int& year, int& month, int& day);

}  // namespace refhost
