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

// Reverses the bit order inside each byte of a word: the stream's first bit
// is the most significant bit of its byte.
quint64 reverseBitsOfBytes(quint64 x)
{
    x = ((x >> 1) & 0x5555555555555555ull) | ((x & 0x5555555555555555ull) << 1);
    x = ((x >> 2) & 0x3333333333333333ull) | ((x & 0x3333333333333333ull) << 2);
    return ((x >> 4) & 0x0F0F0F0F0F0F0F0Full) | ((x & 0x0F0F0F0F0F0F0F0Full) << 4);
}

} // namespace

void Scrambler::apply(char* data, qint64 count)
{
    // The next 62 output bits are bits 1..62 of the state as it stands, and
    // the bit entering at the top in step k is bit 63 XOR bits 1..k+1: a
    // prefix XOR of those same bits. So seven bytes (56 steps) come at once.
    constexpr quint64 low56 = (quint64(1) << 56) - 1;
    quint64 s = m_state;
    qint64 i = 0;
    for (; i + 7 <= count; i += 7) {
        const quint64 bits = (s >> 1) & low56;
        quint64 entering = bits;
        for (int shift = 1; shift < 64; shift <<= 1)
            entering ^= entering << shift;
        entering &= low56;
        if (s >> 63)
            entering ^= low56;
        s = (s >> 56) | (entering << 8);
        const quint64 key = reverseBitsOfBytes(bits);
        for (int k = 0; k < 7; ++k)
            data[i + k] = static_cast<char>(static_cast<unsigned char>(data[i + k]) ^ ((key >> (8 * k)) & 0xFFu));
    }
    m_state = s;
    for (; i < count; ++i)
        data[i] = static_cast<char>(next(static_cast<unsigned char>(data[i])));
}
