#include "api/one_shot_body.h"

#include <algorithm>
#include <cstring>

OneShotBody::OneShotBody(QByteArray data, QObject* parent)
    : QIODevice(parent)
    , m_data(std::move(data))
{
    open(QIODevice::ReadOnly);
}

qint64 OneShotBody::bytesAvailable() const { return m_data.size() - m_offset + QIODevice::bytesAvailable(); }

qint64 OneShotBody::readData(char* data, qint64 maxSize)
{
    if (m_offset >= m_data.size())
        return -1; // the end: a sequential device says so with -1
    const auto count = std::min(maxSize, m_data.size() - m_offset);
    std::memcpy(data, m_data.constData() + m_offset, static_cast<size_t>(count));
    m_offset += count;
    return count;
}

qint64 OneShotBody::writeData(const char*, qint64) { return -1; }
