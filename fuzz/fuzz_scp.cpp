// Feeds arbitrary bytes to the workspace reader.
#include "files/workspacefile.h"
#include "relief/relief.h"

#include <QBuffer>
#include <QByteArray>

#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QBuffer buffer;
    buffer.setData(QByteArray::fromRawData(reinterpret_cast<const char*>(data), int(size)));
    buffer.open(QIODevice::ReadOnly);
    std::unique_ptr<Relief> relief;
    WorkspaceFile::read(buffer, relief);
    return 0;
}
