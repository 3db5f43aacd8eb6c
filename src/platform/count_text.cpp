#include "count_text.h"

#include "text_format.h"
#include "text_table.h"

namespace i18n {

QString countText(const QString& key, qint64 count)
{
    if (count == 1)
        return tr(QString(key).replace(QLatin1String("%d"), QLatin1String("1")));
    return format(tr(key), count);
}

} // namespace i18n
