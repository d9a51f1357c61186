#include "app/basMain.h"

#include "TralexVersion.h"

namespace tralex {

QString AppVersion()
{
    static const QString version = QStringLiteral("%1.%2.%3")
                                       .arg(VersionMajor)
                                       .arg(VersionMinor)
                                       .arg(VersionRevision);
    return version;
}

}  // namespace tralex
