#include "platform/FolderPath.h"

namespace tralex {

QString WithFinalSlash(const QString& folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

}  // namespace tralex
