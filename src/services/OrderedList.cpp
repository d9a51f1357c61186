#include "services/OrderedList.h"

#include "platform/ProgramError.h"

namespace tralex {

void OrderedList::Add(const QString& item)
{
    mItems.append(item);
    mKeys.append(QString());
}

bool OrderedList::Add(const QString& item, const QString& key)
{
    if (key.isEmpty()) {
        Add(item);
        return true;
    }
    const QString folded = foldKey(key);
    if (mKeyUse.contains(folded))
        return false;
    mItems.append(item);
    mKeys.append(folded);
    mKeyUse.insert(folded, 1);
    return true;
}

const QString& OrderedList::Item(int position) const
{
    checkPosition(position);
    return mItems.at(position - 1);
}

void OrderedList::Remove(int position)
{
    checkPosition(position);
    const QString key = mKeys.at(position - 1);
    if (!key.isEmpty())
        mKeyUse.remove(key);
    mItems.removeAt(position - 1);
    mKeys.removeAt(position - 1);
}

void OrderedList::Clear()
{
    mItems.clear();
    mKeys.clear();
    mKeyUse.clear();
}

bool OrderedList::ContainsKey(const QString& key) const
{
    return !key.isEmpty() && mKeyUse.contains(foldKey(key));
}

void OrderedList::checkPosition(int position) const
{
    if (position < 1 || position > mItems.size())
        throw ProgramError(QStringLiteral("OrderedList"),
                           QStringLiteral("インデックスが有効範囲にありません"));
}

QString OrderedList::foldKey(const QString& key)
{
    return key.toCaseFolded();
}

}  // namespace tralex
