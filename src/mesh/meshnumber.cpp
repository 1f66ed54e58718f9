#include "mesh/meshnumber.h"

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

namespace MeshNumber {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool startsWithNoCase(const char* p, const char* end, const char* word)
{
    const size_t n = std::strlen(word);
    if (size_t(end - p) < n)
        return false;
    for (size_t i = 0; i < n; ++i) {
        char c = p[i];
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
        if (c != word[i])
            return false;
    }
    return true;
}

// A value too large or too small for from_chars: the C library tells
// overflow, subnormal and underflow apart, in the C locale whatever the
// user's is.
double parseOutOfRange(const char* begin, const char* end)
{
    static locale_t cLocale = newlocale(LC_NUMERIC_MASK, "C", nullptr);
    const std::string text(begin, end);
    return strtod_l(text.c_str(), nullptr, cLocale);
}

} // namespace

Kind parseAny(const char* begin, const char* end, double* value)
{
    *value = 0.0;
    while (begin < end && isSpace((unsigned char)*begin))
        ++begin;
    while (end > begin && isSpace((unsigned char)end[-1]))
        --end;

    const char* p = begin;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (p == end)
        return NotNumber;
    // Plain decimals only: no second sign, no hexadecimal, no words.
    if (!isDigit(*p) && *p != '.') {
        if ((end - p == 3 && (startsWithNoCase(p, end, "inf") || startsWithNoCase(p, end, "nan")))
            || (end - p == 8 && startsWithNoCase(p, end, "infinity")))
            return NonFinite;
        return NotNumber;
    }

    double v = 0.0;
    const std::from_chars_result r = std::from_chars(p, end, v);
    if (r.ptr != end)
        return NotNumber;
    if (r.ec == std::errc::result_out_of_range) {
        v = parseOutOfRange(p, end);
        // Too small even for a subnormal: Qt calls that no number.
        if (v == 0.0)
            return NotNumber;
    } else if (r.ec != std::errc()) {
        return NotNumber;
    }
    if (!std::isfinite(v))
        return NonFinite;
    *value = negative ? -v : v;
    return Number;
}

} // namespace MeshNumber
