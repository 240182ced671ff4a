#pragma once

#include <cstring>

namespace captiloom::conversion {

// Writes 0 to 99 as two decimal digits, from a table rather than by division:
// a long document writes several numbers for each of its tens of thousands of
// blocks.
inline void writeTwoDigits(char *out, unsigned value)
{
    static constexpr char pairs[] = "00010203040506070809"
                                    "10111213141516171819"
                                    "20212223242526272829"
                                    "30313233343536373839"
                                    "40414243444546474849"
                                    "50515253545556575859"
                                    "60616263646566676869"
                                    "70717273747576777879"
                                    "80818283848586878889"
                                    "90919293949596979899";
    std::memcpy(out, pairs + 2 * value, 2);
}

} // namespace captiloom::conversion
