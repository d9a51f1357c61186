#include "about/StaffNames.h"

#include "platform/ProgramError.h"

namespace tralex {

void StaffNames::set(int vlngIndex, const QString& vstrName)
{
    check(vlngIndex);
    mNames[size_t(vlngIndex)] = vstrName;
}

const QString& StaffNames::at(int vlngIndex) const
{
    check(vlngIndex);
    return mNames[size_t(vlngIndex)];
}

void StaffNames::clear()
{
    mNames.fill(QString());
}

void StaffNames::check(int vlngIndex) const
{
    if (vlngIndex < 0 || vlngIndex >= Count)
        throw ProgramError(mSource, QStringLiteral("インデックスが有効範囲にありません"));
}

}  // namespace tralex
