#pragma once
#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>

namespace tralex {

// An ordered list of texts with positions counted from 1: items are appended at the end, read,
// counted and removed by position (the items behind move up). An item may carry a key; a key is
// compared without regard to letter case and a second item with the same key is refused.
// Lists are handed around as OrderedListRef so that two owners see one and the same list.
class OrderedList {
public:
    int Count() const { return int(mItems.size()); }
    bool isEmpty() const { return mItems.isEmpty(); }

    // Appends an item without a key.
    void Add(const QString& item);
    // Appends an item under a key; refused (returns false, list unchanged) when the key is taken.
    bool Add(const QString& item, const QString& key);

    // The item at a position from 1; a position outside 1..Count() raises a ProgramError.
    const QString& Item(int position) const;
    // Removes the item at a position from 1; a position outside 1..Count() raises a ProgramError.
    void Remove(int position);
    void Clear();

    bool ContainsKey(const QString& key) const;
    // All items in order, for callers that want to iterate.
    const QStringList& items() const { return mItems; }

private:
    void checkPosition(int position) const;
    static QString foldKey(const QString& key);

    QStringList mItems;
    QList<QString> mKeys;          // folded key per item, empty for none
    QHash<QString, int> mKeyUse;   // folded key -> number of items holding it (0 or 1)
};

using OrderedListRef = std::shared_ptr<OrderedList>;

inline OrderedListRef makeOrderedList() { return std::make_shared<OrderedList>(); }

}  // namespace tralex
