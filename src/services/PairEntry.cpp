#include "services/PairEntry.h"

#include <QStringList>

namespace tralex {

QString BuildPairEntry(const QString& find, const QString& replace, const QString& sepChar,
                       const QString& sepTralex)
{
    return find + sepChar + sepTralex + sepChar + replace + sepChar;
}

PairTexts SplitPairEntry(const QString& entry, const QString& sepChar)
{
    if (sepChar.isEmpty())
        return {entry, QString()};
    const QStringList fields = entry.split(sepChar);
    return {fields.value(0), fields.value(2)};
}

QString DisplayPairEntry(const QString& entry, const QString& sepChar)
{
    if (sepChar.isEmpty())
        return entry;
    QString shown = entry;
    return shown.remove(sepChar);
}

}  // namespace tralex
