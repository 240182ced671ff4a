#pragma once

#include <QByteArrayView>

namespace captiloom::platform {

// Decides, from every byte of a file fed in order, whether it is strictly
// valid UTF-8 (no overlong forms, no surrogates, no truncated sequence) that
// holds at least one non-ASCII character. Plain ASCII stays in the code page,
// where it reads the same; GBK text fails the check within its first few
// Chinese characters.
class Utf8Detector
{
public:
    void feed(QByteArrayView bytes);
    bool isUtf8() const { return m_valid && m_pending == 0 && m_sawNonAscii; }

private:
    bool m_valid = true;
    bool m_sawNonAscii = false;
    int m_pending = 0; // continuation bytes still expected
    unsigned char m_low = 0x80; // allowed range of the next continuation byte
    unsigned char m_high = 0xBF;
};

} // namespace captiloom::platform
