#pragma once

#include <QString>

namespace i18n {

// A count shown through a looked-up text whose key holds "%d" for the number, in the current
// interface language. English says "1 node" but "0 nodes" and "2 nodes": a count of one is the
// table's own row for the key with "1" in place of "%d" ("1 个节点"), any other fills the key's.
QString countText(const QString& key, qint64 count);

} // namespace i18n
