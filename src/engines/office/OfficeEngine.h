#pragma once
// What the spreadsheet and document engines share: their part of the run loop (RunLoop), which
// finds, checks and opens each file of the type and puts the new content in place as for text
// files. Here the file is copied from the descriptor the loop opened into a private folder, so
// that LibreOffice works on exactly the inode that was read and never on a name someone could
// swap; the copy is opened in a private headless LibreOffice, refused unless LibreOffice detected
// the format its extension names, given the pairs by the engine, and, when that changed it,
// stored in its own format into the private folder, from where the loop takes the new content.
//
// A file that cannot be handled (damaged, protected by a password, locked, read-only, of another
// format, showing what LibreOffice would load from other files (linkRefusal, known from the
// copy before LibreOffice sees it), refused by LibreOffice while it is worked on, or one that
// crashed or hung LibreOffice) is left unchanged and listed with its reason in ItemSkipped; the
// run goes on with the next file, in a fresh process where the last one crashed or hung. Only a
// LibreOffice that cannot be started ends the run with an error. A file is listed in ItemResult
// only when its new content is in place and its backup made.
#include "engines/TralexEngine.h"
#include "platform/office/OfficeDocument.h"
#include "platform/office/OfficePackageLinks.h"

#include <QList>
#include <memory>

namespace tralex {

class OfficeApplication;

class OfficeEngine : public TralexEngine, private FileWorker {
    Q_OBJECT
public:
    // Ends the office application if one still runs.
    ~OfficeEngine() override;

    void TralexGo() override;

    // The application the runs use; created on first use, its process started by the first file.
    // A run ends it with its process and its private folders.
    OfficeApplication& Application();
    // Replaces how the run's writes are put on the disk at its end; tests use it to make it fail.
    void setFileSystemFlush(std::unique_ptr<FileSystemFlush> flush);
    // Ends the application, its process and its private folders now (also done by a run's end).
    void EndApplication();

protected:
    explicit OfficeEngine(QObject* parent = nullptr);

    QString typeRefusedMessage() const override
    {
        return QStringLiteral("現バージョンでは対応していません");
    }

    // Whether a file of `type` that LibreOffice detected as `filter` may be rewritten; else the
    // reason it is refused.
    struct FormatCheck {
        bool accepted = false;
        QString reason;
    };
    virtual FormatCheck checkFormat(const QString& type, const QString& filter) const = 0;

    // Applies the pairs of the run to an open document: how many replacements it made, or why the
    // result cannot be stored without losing text (the file is then left as it was).
    struct PairsApplied {
        QString refused;
        qint64 replacements = 0;
    };
    virtual PairsApplied applyPairs(OfficeDocument& document) = 0;

    // The texts of a document the pairs may change, always in the same order for the same
    // document: read before and after the pairs are applied and again from the stored copy, to
    // check that every text that changed reads back as it was written.
    enum class Reading { Before, After, Stored };
    virtual QStringList changeableTexts(OfficeDocument& document, Reading reading) = 0;

    // Why a file that shows the given pictures or objects from outside itself is left as it was,
    // or an empty text. LibreOffice reads a linked object while it loads any file and stores
    // none it did not read; a package whose parts do not read as XML may hide such links.
    virtual QString linkRefusal(const PackageLinks& links) const;

    // The pairs of the run, in list order: blank find texts left out.
    const TextPairs& pairs() const { return mPairs; }
    // A text with every pair applied in turn, as header, footer and sheet-name texts are
    // replaced: ReplaceText without the retry option, with the upper-case option of the run.
    // `count`, when given, grows by the number of replacements.
    QString applyAllPairs(const QString& text, qint64* count = nullptr) const;

    // Check for a format table: accepted when the filter is one of `filters`; one of the old
    // binary formats (`oldFilters`, which open but cannot be stored) is refused as such, anything
    // else as a foreign format.
    static FormatCheck checkFilter(const QString& filter, const QStringList& filters,
                                   const QStringList& oldFilters);

private:
    void preparePairs();
    // The office file's part of the run.
    bool ReadsBytes() const override { return false; }
    bool RefusesUnwritableFirst() const override { return true; }
    QString ProgressText(const QString& path, const QString& name) const override;
    FileWork Work(FileAtHand& file) override;
    // One attempt at the private copy of a file whose place is `original`; OfficeError when
    // LibreOffice failed.
    FileWork workOnCopy(const QString& copy, const QString& original);
    // Whether each text that differs between `before` and `after` reads `stored` as in `after`.
    static bool readsBackAsWritten(const QStringList& before, const QStringList& after, const QStringList& stored);
    // After a crash or hang: a fresh process, or the run ends.
    void restartOffice();

    std::unique_ptr<OfficeApplication> mApplication;
    TextPairs mPairs;
    QString mPairError;   // the multi-line refusal, raised when the first document is open
};

}  // namespace tralex
