#pragma once
// The settings folder of a benchmark run: a temporary folder whose type file accepts the one type
// the run works on, so that a benchmark leaves no file behind and takes any type.
#include <QFile>
#include <QTemporaryDir>

#include "engines/clsTextTralex.h"
#include "platform/SettingsFolder.h"

namespace tralex::bench {

// Makes `settings` the settings folder with a type file holding `type`; false when it cannot.
inline bool UseTemporarySettings(const QTemporaryDir& settings, const QString& type)
{
    if (!settings.isValid())
        return false;
    OverrideSettingsFolder(settings.path() + QLatin1Char('/'));
    QFile types(settings.path() + QLatin1Char('/') + clsTextTralex::TypeFileName());
    if (!types.open(QIODevice::WriteOnly))
        return false;
    types.write(type.toUtf8() + ",\r\n");
    return true;
}

}  // namespace tralex::bench
