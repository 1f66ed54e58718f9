#pragma once

#include <QtGlobal>

// Keyed byte stream that hides the samples of a hand-over height-field file.
// Writer and reader each seed their own instance with the same key and feed it
// every sample byte in file order, so XORing twice gives the byte back.
class Scrambler
{
public:
    explicit Scrambler(quint64 seed = 0);

    void setSeed(quint64 seed);
    // b XOR the next byte of the stream.
    unsigned char next(unsigned char b);
    // XORs a run of bytes in place, as next() byte by byte would.
    void apply(char* data, qint64 count);

private:
    quint64 m_state;
};
