#pragma once
// The journal of a run that changes files: which files it put in place, where their backups are,
// and what their new content was, so that the run can be taken back later, even after the
// program was closed or killed in the middle of it.
//
// One journal file per run, in a folder of the settings folder, open to its owner only. Each
// file's line is appended before its new content takes the file's name, so every file a killed
// run changed is in its journal; a last line cut short by the kill is not read. The lines reach
// the disk with the run's end-of-run flush. An undo appends a line saying so, which makes a
// second undo of the same run refuse. Journals beyond the newest MaxJournals are removed (the
// backups they name stay).
//
// The format is text, a record per line, fields separated by tabs; paths and texts are
// percent-encoded bytes, so that names that are not UTF-8 and texts with tabs or line breaks
// come back exactly:
//   TralexJournal 1
//   run     <started, ISO 8601 with ms>  <folder>  <type>  <subfolders 0/1>  <backup folder>  <undoes>
//   pair    <find>  <replace>
//   file    <target>  <backup>  <size>  <modified, ns since the epoch>  <content hash, hex>
//   dropped <target>          (the last file line of that target was not put in place after all)
//   undone  <when, ISO 8601>
#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace tralex {

// One file a run put in place.
struct JournalFile {
    QByteArray target;       // its path, as the file system has it
    QByteArray backUp;       // the path of its backup (the content before the run)
    qint64 size = 0;         // the new content's size,
    qint64 modifiedNs = 0;   // its modification time, in nanoseconds since the epoch,
    QByteArray hash;         // and ContentHash of it
    friend bool operator==(const JournalFile&, const JournalFile&) = default;
};

// A run as its journal tells it.
struct JournalRun {
    QString id;              // the journal's name, unique per run
    QDateTime started;
    QString folder;          // the folder searched
    QString type;
    bool subFolders = false;
    QString backUpFolder;    // empty: the backups lie beside their files
    QList<QPair<QString, QString>> pairs;  // find and replace texts
    QString undoes;          // for an undo: the id of the run it took back
    QList<JournalFile> files;
    std::optional<QDateTime> undone;  // when it was taken back
};

// The hash of a content given in pieces, the same whatever the cut: what the journal records
// of each file's new content, taken as the content is written.
class ContentHasher {
public:
    ContentHasher();
    void Add(QByteArrayView bytes);
    QByteArray Result() const;  // 64 bits, hex

private:
    quint64 mLanes[4];
    char mBuffer[32];
    int mBuffered = 0;
    qint64 mSize = 0;
};

class RunJournal {
public:
    static constexpr int MaxJournals = 20;

    ~RunJournal();
    RunJournal(const RunJournal&) = delete;
    RunJournal& operator=(const RunJournal&) = delete;

    // The folder of the journals: "Journal/" in the settings folder.
    static QString DefaultFolder();

    // Starts the journal of a run in `folder` (made, open to its owner only, when missing). Fails
    // with the reason in `error` when the journal cannot be written, so that a run can refuse
    // before it changes anything.
    static std::unique_ptr<RunJournal> Begin(const QString& folder, const JournalRun& header,
                                             QString* error = nullptr);

    const QString& id() const { return mId; }
    // The open journal file, for the run's end-of-run flush.
    int fd() const { return mFd; }

    // Appends one file; false when the line could not be written whole.
    bool Record(const JournalFile& file);
    // Takes back the last Record of a target, whose renewal then failed.
    void Drop(const QByteArray& target);
    // Ends the journal: one that names no file is removed (false); then the oldest journals
    // beyond MaxJournals are removed.
    bool Finish();

    // The hash that a file's new content is recorded with (64 bits, hex): ContentHasher's.
    static QByteArray ContentHash(const QByteArray& content);

    // The runs of the journals in `folder`, newest first; unreadable journals are left out.
    static QList<JournalRun> History(const QString& folder);
    static std::optional<JournalRun> Load(const QString& folder, const QString& id);
    // Notes that a run was taken back; false when its journal cannot be written.
    static bool MarkUndone(const QString& folder, const QString& id, const QDateTime& when);
    // Removes all but the newest `keep` journals of `folder`.
    static void Prune(const QString& folder, int keep = MaxJournals);

private:
    RunJournal(QString folder, QString id, int fd);
    bool append(const QByteArray& line);

    QString mFolder;
    QString mId;
    int mFd = -1;
    int mFiles = 0;
};

}  // namespace tralex
