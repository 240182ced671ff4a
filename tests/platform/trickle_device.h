#pragma once

#include <QBuffer>

// Hands out its bytes a few at a time, so that terminators, UTF-16 units and
// byte-order marks fall across reads the way they do at the edge of a large
// file's chunks.
class TrickleDevice : public QBuffer
{
public:
    TrickleDevice(const QByteArray &bytes, qint64 step)
        : m_step(step)
    {
        setData(bytes);
        open(QIODevice::ReadOnly);
    }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        return QBuffer::readData(data, std::min(maxSize, m_step));
    }

private:
    qint64 m_step;
};
