#include "services/basDataChange.h"

#include "services/basPathControl.h"

#include <QLocale>
#include <cmath>

namespace tralex {

namespace {

bool readNumber(const QVariant& value, double& number)
{
    if (!value.isValid() || value.isNull())
        return false;
    bool ok = false;
    if (value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray) {
        const QString text = value.toString().trimmed();
        number = QLocale::c().toDouble(text, &ok);
        if (!ok)
            number = QLocale::system().toDouble(text, &ok);
    } else if (value.canConvert<double>()) {
        number = value.toDouble(&ok);
    }
    return ok && std::isfinite(number);
}

}  // namespace

QVariant CleanValue(const QVariant& value, bool vblnNumeric)
{
    if (vblnNumeric) {
        double number = 0;
        if (readNumber(value, number))
            return QVariant(number);
        return QVariant(int(0));
    }
    if (!value.isValid() || value.isNull())
        return QVariant(QString());
    return QVariant(TrimBlanks(value.toString()));
}

}  // namespace tralex
