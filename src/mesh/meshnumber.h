#ifndef MESHNUMBER_H
#define MESHNUMBER_H

#include <cstddef>

// Decimal numbers of the mesh text formats, read the way QString::toDouble
// reads them (C locale, surrounding white space ignored, no group
// separators) but straight from Latin-1 bytes.
namespace MeshNumber {

enum Kind {
    Number,     // a finite value
    NotNumber,  // not a decimal number at all
    NonFinite   // "nan", "inf" or a value beyond the double range
};

Kind parse(const char* begin, const char* end, double* value);

// White space as Qt counts it for Latin-1 characters.
inline bool isSpace(unsigned char c)
{
    return c == ' ' || (c >= 9 && c <= 13) || c == 0x85 || c == 0xA0;
}

} // namespace MeshNumber

#endif
