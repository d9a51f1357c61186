#include "services/basIniControl.h"

#include "platform/IniProfile.h"

#include <QFile>

namespace tralex {

namespace {

constexpr QFileDevice::Permissions WriteBits = QFileDevice::WriteOwner | QFileDevice::WriteUser
                                               | QFileDevice::WriteGroup | QFileDevice::WriteOther;

}  // namespace

QString ReadIniValue(const QString& file, const QString& section, const QString& key)
{
    return GetPrivateProfileString(section, key, file);
}

bool WriteIniValue(const QString& file, const QString& section, const QString& key,
                   const QString& value)
{
    // Each step runs whatever the one before gave: a missing file cannot be made writable, but
    // the write creates it and the last step still makes it read-only.
    QFile::setPermissions(file, QFile::permissions(file) | QFileDevice::WriteOwner
                                    | QFileDevice::WriteUser);
    const bool written = WritePrivateProfileString(section, key, value, file);
    QFile::setPermissions(file, QFile::permissions(file) & ~WriteBits);
    return written;
}

}  // namespace tralex
