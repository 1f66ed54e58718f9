#include "files/scrambler.h"

Scrambler::Scrambler(quint64 seed)
    : m_state(seed)
{
}

void Scrambler::setSeed(quint64 seed)
{
    m_state = seed;
}

unsigned char Scrambler::next(unsigned char b)
{
    unsigned out = 0;
    quint64 s = m_state;
    for (int i = 0; i < 8; ++i) {
        const quint64 bit1 = (s >> 1) & 1u;
        const quint64 bit63 = s >> 63;
        out = (out << 1) | unsigned(bit1);
        s = (s >> 1) | ((bit1 ^ bit63) << 63);
    }
    m_state = s;
    return static_cast<unsigned char>(out ^ b);
}

namespace {

struct ReversedBytes
{
    unsigned char table[256];
    constexpr ReversedBytes() : table()
    {
        for (unsigned i = 0; i < 256; ++i) {
            unsigned r = 0;
            for (int b = 0; b < 8; ++b)
                r |= ((i >> b) & 1u) << (7 - b);
            table[i] = static_cast<unsigned char>(r);
        }
    }
};

constexpr ReversedBytes kReversed;

} // namespace

void Scrambler::apply(char* data, qint64 count)
{
    // Eight steps at once: the next eight output bits are bits 1..8 of the
    // state, and the bit entering at the top in step k is bit 63 XOR bits
    // 1..k+1, a prefix XOR of those same bits.
    quint64 s = m_state;
    for (qint64 i = 0; i < count; ++i) {
        const unsigned bits = unsigned(s >> 1) & 0xFFu;
        unsigned entering = bits;
        entering ^= entering << 1;
        entering ^= entering << 2;
        entering ^= entering << 4;
        entering &= 0xFFu;
        if (s >> 63)
            entering ^= 0xFFu;
        s = (s >> 8) | (quint64(entering) << 56);
        data[i] = static_cast<char>(static_cast<unsigned char>(data[i]) ^ kReversed.table[bits]);
    }
    m_state = s;
}
