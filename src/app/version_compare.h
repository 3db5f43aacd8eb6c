#pragma once

#include <QString>

namespace Versions {

// Orders two texts as a numeric string comparison does: runs of digits compare by their value
// (so 1.10.0 comes after 1.9.0), other characters one by one, and a text that ends first comes
// first when everything before was equal (1.2 comes before 1.2.0). Negative, zero or positive.
int compare(const QString& a, const QString& b);

// Whether a version text is plain dotted numbers ("1", "2.10.3"): the only form accepted from
// the service, since it goes into file names and an installer script.
bool isStrictDotted(const QString& version);

} // namespace Versions
