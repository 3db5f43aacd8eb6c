#include "instance_request_reader.h"

namespace {
const QByteArray kReopen = QByteArrayLiteral("reopen");
} // namespace

InstanceRequestReader::Outcome InstanceRequestReader::feed(QByteArrayView bytes)
{
    Outcome outcome;
    while (!m_overlong && !bytes.isEmpty()) {
        const auto end = bytes.indexOf('\n');
        const auto taken = end < 0 ? bytes.size() : end + 1;
        if (m_partialLine.size() + taken > maxLineBytes) {
            m_overlong = true;
            m_partialLine.clear();
            break;
        }
        if (end < 0) {
            m_partialLine += bytes;
            break;
        }
        m_partialLine += bytes.first(end);
        if (m_partialLine == kReopen)
            ++outcome.reopenRequests;
        m_partialLine.clear();
        bytes = bytes.sliced(taken);
    }
    outcome.overlong = m_overlong;
    return outcome;
}
