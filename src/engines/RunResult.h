#pragma once
// What a run did, as plain lists that outlive the engine: the files it changed (or the backups it
// deleted), and the files it left unchanged, each as its path, a tab and the reason. Beside the
// text lines, each changed file has a FileReport with what a person may want to act on: how many
// replacements, its encoding, its backup and, after a preview, the lines that change.
#include "platform/MemoryFile.h"
#include "services/TextDiff.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace tralex {

// What a preview read of a file: enough to know, when its files are replaced later, whether it is
// still the very file and content the preview showed.
struct ReadStamp {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    QByteArray hash;  // RunJournal::ContentHash of the content read
    friend bool operator==(const ReadStamp&, const ReadStamp&) = default;
};

// One file a run changed, or a preview would change.
struct FileReport {
    QString path;               // as the user reads it (a Windows-31J name with its mark)
    QByteArray rawPath;         // below the searched folder, as the file system has its names
    QByteArray absolutePath;    // the whole path, as the file system has it
    qint64 replacements = -1;   // -1: not counted (a deleted backup)
    QString encoding;           // of a text file: the encoding it is read and written in
    QString backUp;             // after a run: the backup's path; empty in a preview
    QByteArray rawBackUp;       // the same, as the file system has it
    // After a preview: the lines that change, before and after (for office files the cell,
    // paragraph or header texts), the first few unless all were asked for, and how many in all.
    QList<ChangedLine> lines;
    qint64 changedLines = 0;
    // After a preview: the file as read, and its new content where it was kept, so that
    // replacing the files chosen from the preview need not replace again.
    std::optional<ReadStamp> read;
    std::optional<KeptPiece> newContent;
};

struct RunResult {
    QStringList changed;
    QStringList skipped;
    QList<FileReport> files;  // one per entry of `changed`, in its order
    bool preview = false;     // from a preview: nothing was written

    bool isEmpty() const { return changed.isEmpty() && skipped.isEmpty(); }
};

}  // namespace tralex
