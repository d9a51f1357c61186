#pragma once
// What an engine does with one file of its type, called by the run loop (RunLoop) once the loop
// has found, checked and opened the file. The loop owns every step that is the same for all
// formats (the walk, the filters, the checks, the snapshot, the renewal and the reports); the
// worker only turns the file's old content into its new content.
#include "platform/FileRenewal.h"
#include "platform/MemoryFile.h"
#include "services/TextDiff.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace tralex {

// One file, open, as the loop hands it to the worker.
struct FileAtHand {
    QString path;               // its full path, for reports
    QString name;               // its name as text
    int folder = -1;            // its folder, open
    QByteArray rawName;         // its name in the folder, as the file system has it
    const FileSnapshot* snapshot = nullptr;  // the inode that was opened; the only one to use
    QByteArray bytes;           // its whole content, when the worker reads bytes
    bool streamed = false;      // too large to be read whole: the worker reads it in blocks
    qsizetype listed = -1;      // in a run over given files, its index among them
};

// The new content of a file worked on in blocks, made as it is written (ContentSource).
struct ContentStream {
    // Puts the new content through put; 0, put's first error, or FileRenewal::ContentDeclined
    // when it finds partway that the file is to be left as it is.
    ContentSource write;
    // Known once write is done: the replacements and the encoding written, or why it declined
    // (empty: no pair matched after all, nothing to report).
    qint64 replacements = 0;
    QString encoding;
    QString reason;
};

// What the worker made of a file.
struct FileWork {
    enum class Kind {
        Unchanged,  // nothing to change: not touched, not listed
        Skipped,    // left as it is, listed with `reason`
        Changed,    // `content` is to take the file's place
    };
    Kind kind = Kind::Unchanged;
    QString reason;
    QByteArray content;         // empty from a preview of a format the worker does not keep
    std::optional<KeptPiece> kept;  // or where a preview kept it, for a file chosen from it
    std::shared_ptr<ContentStream> stream;  // of a streamed file: makes the content instead
    qint64 replacements = 0;    // of a changed file: how many
    QString encoding;           // of a changed text file: the encoding it is written in
    // Of a changed file in a preview: the lines (or texts) that change, the first few unless all
    // were asked for, and how many in all.
    QList<ChangedLine> lines;
    qint64 changedLines = 0;
    // Or, where the worker leaves them to be made apart from the work (while the next file is
    // worked on): what makes those lines and sets how many there are. It holds what it needs and
    // touches nothing of the worker.
    std::function<QList<ChangedLine>(qint64& total)> linesLater;

    static FileWork unchanged() { return {}; }
    static FileWork skipped(const QString& why)
    {
        FileWork work;
        work.kind = Kind::Skipped;
        work.reason = why;
        return work;
    }
    static FileWork changed(QByteArray bytes, qint64 replacements)
    {
        FileWork work;
        work.kind = Kind::Changed;
        work.content = std::move(bytes);
        work.replacements = replacements;
        return work;
    }
};

class FileWorker {
public:
    virtual ~FileWorker() = default;

    // Whether the loop reads the whole file into FileAtHand::bytes before Work.
    virtual bool ReadsBytes() const = 0;
    // When the worker reads bytes: the reason a file is refused from its first bytes alone (a
    // binary file), before the whole file is read; empty when its first bytes do not tell.
    virtual QString RefusalByHead(const QByteArray& head) const
    {
        Q_UNUSED(head);
        return QString();
    }
    // Whether a file of this size is worked on in blocks (FileAtHand::streamed) in a run that
    // replaces: Work then reads it from the snapshot's descriptor, and a changed file's content
    // is a FileWork::stream.
    virtual bool StreamsFile(qint64 size) const
    {
        Q_UNUSED(size);
        return false;
    }
    // Whether a file the run may not replace is refused before Work (where Work is costly);
    // otherwise it is refused only when Work would change it.
    virtual bool RefusesUnwritableFirst() const = 0;
    // Whether a preview keeps the new content of each file for replacing the files chosen from
    // it: worth its memory only where making it again costs more than keeping it.
    virtual bool KeepsPreviewContent() const { return false; }
    // The text the progress report shows for a file about to be handled.
    virtual QString ProgressText(const QString& path, const QString& name) const = 0;
    // Works on the file. Failures of the file are a Skipped result; an exception ends the run.
    virtual FileWork Work(FileAtHand& file) = 0;
};

}  // namespace tralex
