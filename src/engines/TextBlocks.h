#pragma once
// Reading an open text file from its start in blocks, so that a file of any size is handled in
// the memory of a block and its longest line: a look through it (TextScan), and blocks of whole
// lines for replacing, since no match of a pair without a line break reaches over a line break.
#include "engines/TextScan.h"
#include "platform/CodePage.h"

#include <QByteArray>

namespace tralex {

// Feeds the file's bytes to the scan, block after block, to the file's end or until the scan
// refuses the file; false when reading fails.
bool ScanOpenFile(int fd, TextScan& scan, qsizetype blockSize);

// The file's bytes as blocks that end after a line break: after an LF byte, in UTF-16 after a
// whole LF code unit (LF is never part of another character in the encodings read). The last
// block is the rest of the file.
class LineBlocks {
public:
    LineBlocks(int fd, TextEncoding encoding, qsizetype blockSize, qsizetype longestLine);

    enum class Step {
        Block,        // `block` holds the next block
        End,          // the whole file was given
        ReadFailed,
        LineTooLong,  // a line longer than longestLine: it is not held whole
    };
    Step Next(QByteArray& block);

private:
    // The end of the last line break in the bytes read, looking from `from` on; 0 when none.
    qsizetype afterLastBreak(qsizetype from) const;

    int mFd;
    bool mUnits;      // UTF-16
    bool mBigEndian;
    qsizetype mBlockSize;
    qsizetype mLongestLine;
    qint64 mOffset = 0;
    bool mEnded = false;
    QByteArray mRest;  // read and not given yet
};

}  // namespace tralex
