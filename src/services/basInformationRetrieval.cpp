#include "services/basInformationRetrieval.h"

#include "platform/UserFolders.h"

#include <QSysInfo>

namespace tralex {

QString GetSpecialFolder(int index)
{
    return SpecialFolderPath(index);
}

QString GetMachineName()
{
    const QString name = QSysInfo::machineHostName();
    return name.isEmpty() ? QStringLiteral("????????") : name;
}

}  // namespace tralex
