#include "platform/SpareBuffers.h"

#include <array>
#include <utility>

namespace tralex::SpareBuffers {

namespace {

// Larger buffers go back to the system, as freed memory of that size does.
constexpr qsizetype LargestKept = qsizetype(32) << 20;

// A file's read buffer and its new content's.
thread_local std::array<QByteArray, 2> kept;

}  // namespace

QByteArray Take(qsizetype capacity)
{
    QByteArray* best = nullptr;
    for (QByteArray& buffer : kept) {
        if (buffer.capacity() >= capacity && (!best || buffer.capacity() < best->capacity()))
            best = &buffer;
    }
    if (!best) {
        QByteArray fresh;
        fresh.reserve(capacity);
        return fresh;
    }
    QByteArray taken = std::exchange(*best, QByteArray());
    taken.resize(0);  // keeps its memory
    return taken;
}

void Give(QByteArray&& bytes)
{
    QByteArray buffer = std::move(bytes);
    if (!buffer.isDetached() || buffer.capacity() == 0 || buffer.capacity() > LargestKept)
        return;
    // In place of an empty slot, else of the smaller kept buffer when this one is larger.
    QByteArray* slot = &kept[0];
    for (QByteArray& k : kept) {
        if (k.capacity() < slot->capacity())
            slot = &k;
    }
    if (buffer.capacity() > slot->capacity())
        *slot = std::move(buffer);
}

void Release()
{
    for (QByteArray& buffer : kept)
        buffer = QByteArray();
}

}  // namespace tralex::SpareBuffers
