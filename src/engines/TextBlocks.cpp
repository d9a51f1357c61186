#include "engines/TextBlocks.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <utility>

namespace tralex {

namespace {

// Reads up to `size` bytes at `offset`, fewer only at the file's end; -1 when reading fails.
qsizetype readAt(int fd, qint64 offset, char* data, qsizetype size)
{
    qsizetype got = 0;
    while (got < size) {
        const ssize_t n = ::pread(fd, data + got, size_t(size - got), off_t(offset + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += n;
    }
    return got;
}

}  // namespace

bool ScanOpenFile(int fd, TextScan& scan, qsizetype blockSize)
{
    QByteArray buffer(blockSize, Qt::Uninitialized);
    for (qint64 offset = 0;;) {
        const qsizetype got = readAt(fd, offset, buffer.data(), blockSize);
        if (got < 0)
            return false;
        offset += got;
        const bool last = got < blockSize;
        scan.Feed(QByteArrayView(buffer.constData(), got), last);
        if (last || scan.Refused())
            return true;
    }
}

LineBlocks::LineBlocks(int fd, TextEncoding encoding, qsizetype blockSize, qsizetype longestLine)
    : mFd(fd),
      mUnits(encoding == TextEncoding::Utf16LeBom || encoding == TextEncoding::Utf16BeBom),
      mBigEndian(encoding == TextEncoding::Utf16BeBom),
      mBlockSize(blockSize),
      mLongestLine(longestLine)
{
}

LineBlocks::Step LineBlocks::Next(QByteArray& block)
{
    while (!mEnded) {
        const qsizetype old = mRest.size();
        mRest.resize(old + mBlockSize);
        const qsizetype got = readAt(mFd, mOffset, mRest.data() + old, mBlockSize);
        if (got < 0)
            return Step::ReadFailed;
        mOffset += got;
        mRest.truncate(old + got);
        mEnded = got < mBlockSize;
        if (mEnded)
            break;
        if (const qsizetype cut = afterLastBreak(old); cut > 0) {
            // The bytes read become the block; only the part of a line after it is copied.
            block.swap(mRest);
            mRest = QByteArrayView(block).sliced(cut).toByteArray();
            block.truncate(cut);
            return Step::Block;
        }
        if (mRest.size() > mLongestLine)
            return Step::LineTooLong;
    }
    if (mRest.isEmpty())
        return Step::End;
    block = std::exchange(mRest, QByteArray());
    return Step::Block;
}

qsizetype LineBlocks::afterLastBreak(qsizetype from) const
{
    const char* data = mRest.constData();
    if (!mUnits) {
        const void* found = ::memrchr(data + from, '\n', size_t(mRest.size() - from));
        return found ? static_cast<const char*>(found) - data + 1 : 0;
    }
    // Units begin at even offsets (the rest begins after a whole unit); one may straddle `from`.
    const char first = mBigEndian ? 0 : '\n';
    const char second = mBigEndian ? '\n' : 0;
    const qsizetype lowest = from >= 2 ? ((from - 2) & ~qsizetype(1)) : 0;
    for (qsizetype i = (mRest.size() - 2) & ~qsizetype(1); i >= lowest; i -= 2)
        if (data[i] == first && data[i + 1] == second)
            return i + 2;
    return 0;
}

}  // namespace tralex
