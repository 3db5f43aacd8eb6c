#pragma once

#include <QByteArray>

// The few pieces of the protocol-buffers wire format our tools need: varints and
// length-delimited fields, written and read.
namespace ProtobufWire {

enum WireType { varintType = 0, lengthDelimitedType = 2 };

inline void appendVarint(QByteArray& out, quint64 value)
{
    while (value >= 0x80) {
        out.append(char((value & 0x7f) | 0x80));
        value >>= 7;
    }
    out.append(char(value));
}

inline void appendVarintField(QByteArray& out, int field, quint64 value)
{
    appendVarint(out, quint64(field) << 3 | varintType);
    appendVarint(out, value);
}

inline void appendBytesField(QByteArray& out, int field, const QByteArray& bytes)
{
    appendVarint(out, quint64(field) << 3 | lengthDelimitedType);
    appendVarint(out, quint64(bytes.size()));
    out.append(bytes);
}

// Walks the fields of one message. Any malformed input ends the walk with ok() false.
class Reader {
public:
    explicit Reader(QByteArray data)
        : m_data(std::move(data))
    {
    }

    bool ok() const { return m_ok; }

    // Moves to the next field; false at the end or on malformed input.
    bool next()
    {
        if (!m_ok || m_pos >= m_data.size())
            return false;
        const auto key = readVarint();
        m_field = int(key >> 3);
        m_type = int(key & 7);
        m_value = 0;
        m_bytes.clear();
        if (m_type == varintType) {
            m_value = readVarint();
        } else if (m_type == lengthDelimitedType) {
            const auto length = readVarint();
            if (length > quint64(m_data.size() - m_pos))
                m_ok = false;
            else {
                m_bytes = m_data.mid(m_pos, qsizetype(length));
                m_pos += qsizetype(length);
            }
        } else {
            m_ok = false; // fixed-width fields are not used by anything we read
        }
        return m_ok;
    }

    int field() const { return m_field; }
    int type() const { return m_type; }
    quint64 value() const { return m_value; }
    const QByteArray& bytes() const { return m_bytes; }

private:
    quint64 readVarint()
    {
        quint64 result = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (m_pos >= m_data.size())
                break;
            const auto byte = quint8(m_data[m_pos++]);
            result |= quint64(byte & 0x7f) << shift;
            if (!(byte & 0x80))
                return result;
        }
        m_ok = false;
        return 0;
    }

    QByteArray m_data;
    qsizetype m_pos = 0;
    bool m_ok = true;
    int m_field = 0;
    int m_type = 0;
    quint64 m_value = 0;
    QByteArray m_bytes;
};

} // namespace ProtobufWire
