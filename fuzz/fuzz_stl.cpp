// Feeds arbitrary bytes to the STL reader, as a file of that content would.
#include "mesh/facetshape.h"
#include "mesh/stlfilereader.h"

#include <QBuffer>
#include <QByteArray>
#include <QDataStream>

#include <cstddef>
#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QDataStream in(&buffer);
    StlFileReader reader(&in);
    const std::unique_ptr<FacetShape> shape(readStl(reader));
    if (shape) {
        volatile double sink = shape->boundsMax().x - shape->boundsMin().x;
        (void)sink;
    }
    return 0;
}
