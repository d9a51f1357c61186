#include "engines/office/OfficeBackUpDeletion.h"

#include "engines/office/OfficeTypes.h"

namespace tralex {

bool OfficeBackUpDeletion::acceptsType(const QString& type) const
{
    return clsTextTralex::acceptsType(type) || OfficeTypes().contains(type.trimmed());
}

}  // namespace tralex
