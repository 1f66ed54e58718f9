#pragma once

#include <QByteArray>
#include <QIODevice>

// Takes writes until it holds room bytes and refuses the whole of any write
// that would go past that, as a full disk does.
class RefusingDevice : public QIODevice
{
public:
    explicit RefusingDevice(qint64 room) : room(room) { open(QIODevice::WriteOnly); }

    QByteArray taken;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 length) override
    {
        if (taken.size() + length > room)
            return -1;
        taken.append(data, int(length));
        return length;
    }

private:
    qint64 room;
};
