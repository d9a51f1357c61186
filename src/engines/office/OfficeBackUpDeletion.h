#pragma once
// Deleting the backups of workbooks and documents of today's formats. The text engine deletes
// backups for every type of its list; these types are not in it (they must never be read as
// text), so the deletion for them runs on this text engine that accepts them as well.
#include "engines/clsTextTralex.h"

namespace tralex {

class OfficeBackUpDeletion : public clsTextTralex {
    Q_OBJECT
public:
    using clsTextTralex::clsTextTralex;

protected:
    bool acceptsType(const QString& type) const override;
};

}  // namespace tralex
