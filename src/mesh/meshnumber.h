#pragma once

#include <cstddef>
#include <cstdint>

// Decimal numbers of the mesh text formats, read the way QString::toDouble
// reads them (C locale, surrounding white space ignored, no group
// separators) but straight from Latin-1 bytes, rounded correctly.
namespace MeshNumber {

enum Kind {
    Number,     // a finite value
    NotNumber,  // not a decimal number at all
    NonFinite   // "nan", "inf" or a value beyond the double range
};

// Any text: white space, words, long or tiny numbers.
Kind parseAny(const char* begin, const char* end, double* value);

// White space as Qt counts it for Latin-1 characters.
inline bool isSpace(unsigned char c)
{
    return c == ' ' || (c >= 9 && c <= 13) || c == 0x85 || c == 0xA0;
}

// The usual number of a mesh file, [sign] digits [. digits] [e [sign]
// digits] with at most 19 significant digits and a power of ten within 22,
// is one multiplication or division of two exact doubles, which rounds
// correctly; everything else goes to parseAny.
inline Kind parse(const char* begin, const char* end, double* value)
{
    static const double powers[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                      1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const char* q = begin;
    const bool negative = q < end && *q == '-';
    if (q < end && (*q == '-' || *q == '+'))
        ++q;
    uint64_t mantissa = 0;
    int significant = 0;
    const char* digits = q;
    for (; q < end && unsigned(*q - '0') < 10 && significant < 19; ++q) {
        mantissa = mantissa * 10 + unsigned(*q - '0');
        significant += mantissa != 0;
    }
    bool any = q != digits;
    int exponent = 0;
    if (q < end && *q == '.') {
        digits = ++q;
        for (; q < end && unsigned(*q - '0') < 10 && significant < 19; ++q) {
            mantissa = mantissa * 10 + unsigned(*q - '0');
            significant += mantissa != 0;
        }
        exponent = -int(q - digits);
        any = any || q != digits;
    }
    if (any && q < end && (*q == 'e' || *q == 'E')) {
        ++q;
        const bool negativeExponent = q < end && *q == '-';
        if (q < end && (*q == '-' || *q == '+'))
            ++q;
        digits = q;
        int e = 0;
        for (; q < end && unsigned(*q - '0') < 10 && q - digits < 3; ++q)
            e = e * 10 + (*q - '0');
        if (q == digits)
            any = false;
        exponent += negativeExponent ? -e : e;
    }
    if (!any || q != end || mantissa > (uint64_t(1) << 53) || exponent < -22 || exponent > 22)
        return parseAny(begin, end, value);
    const double m = double(mantissa);
    const double v = exponent < 0 ? m / powers[-exponent] : m * powers[exponent];
    *value = negative ? -v : v;
    return Number;
}

} // namespace MeshNumber
