#include "version_compare.h"

#include <QRegularExpression>

namespace {

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// Compares the digit runs starting at i and j by value and moves both past them.
int compareDigitRuns(const QString& a, qsizetype& i, const QString& b, qsizetype& j)
{
    const auto skipZeros = [](const QString& s, qsizetype& k) {
        while (k + 1 < s.size() && s[k] == QLatin1Char('0') && isDigit(s[k + 1]))
            ++k;
    };
    skipZeros(a, i);
    skipZeros(b, j);
    const auto startA = i;
    const auto startB = j;
    while (i < a.size() && isDigit(a[i]))
        ++i;
    while (j < b.size() && isDigit(b[j]))
        ++j;
    const auto lengthA = i - startA;
    const auto lengthB = j - startB;
    if (lengthA != lengthB)
        return lengthA < lengthB ? -1 : 1;
    return QStringView(a).mid(startA, lengthA).compare(QStringView(b).mid(startB, lengthB));
}

} // namespace

namespace Versions {

int compare(const QString& a, const QString& b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            if (const int order = compareDigitRuns(a, i, b, j); order != 0)
                return order < 0 ? -1 : 1;
            continue;
        }
        if (a[i] != b[j])
            return a[i] < b[j] ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

bool isStrictDotted(const QString& version)
{
    static const QRegularExpression pattern(QStringLiteral("\\A[0-9]{1,9}(\\.[0-9]{1,9}){0,3}\\z"));
    return pattern.match(version).hasMatch();
}

} // namespace Versions
