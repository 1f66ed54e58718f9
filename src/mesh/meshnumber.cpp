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

// A value too large or too small for from_chars: the C library decides
// between overflow and underflow, in the C locale whatever the user's is.
double parseOutOfRange(const char* begin, const char* end)
{
    static locale_t cLocale = newlocale(LC_NUMERIC_MASK, "C", nullptr);
    const std::string text(begin, end);
    return strtod_l(text.c_str(), nullptr, cLocale);
}

} // namespace

Kind parse(const char* begin, const char* end, double* value)
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
    const char* const body = p;

    if (p < end && !isDigit(*p) && *p != '.') {
        if ((startsWithNoCase(p, end, "inf") && (end - p == 3 || (end - p == 8 && startsWithNoCase(p, end, "infinity"))))
            || (startsWithNoCase(p, end, "nan") && end - p == 3))
            return NonFinite;
        return NotNumber;
    }

    // digits [. digits] [e [sign] digits], with at least one mantissa digit
    int mantissaDigits = 0;
    while (p < end && isDigit(*p)) {
        ++p;
        ++mantissaDigits;
    }
    if (p < end && *p == '.') {
        ++p;
        while (p < end && isDigit(*p)) {
            ++p;
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return NotNumber;
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p < end && (*p == '+' || *p == '-'))
            ++p;
        if (p == end || !isDigit(*p))
            return NotNumber;
        while (p < end && isDigit(*p))
            ++p;
    }
    if (p != end)
        return NotNumber;

    double v = 0.0;
    const std::from_chars_result r = std::from_chars(body, end, v);
    if (r.ec == std::errc::result_out_of_range)
        v = parseOutOfRange(body, end);
    else if (r.ec != std::errc() || r.ptr != end)
        return NotNumber;
    if (!std::isfinite(v))
        return NonFinite;
    *value = negative ? -v : v;
    return Number;
}

} // namespace MeshNumber
