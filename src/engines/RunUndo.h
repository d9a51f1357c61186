#pragma once
// Takes a run back from its journal: each file the run changed gets its content from before the
// run again, through the same loop and the same safe renewal as a run, so that the content undo
// replaces becomes a backup in its turn and nothing is lost. A file whose content is no longer
// what the run wrote, or whose backup is gone, is left as it is and listed with its reason; the
// others go on. A run that was taken back once is refused the second time.
#include "engines/TralexEngine.h"
#include "services/RunJournal.h"

namespace tralex {

class RunUndo : public TralexEngine, private FileWorker {
    Q_OBJECT
public:
    // The run of the journal `id` in the journal folder `journals`.
    RunUndo(QString journals, QString id, QObject* parent = nullptr);

    QString ClassName() const override { return QStringLiteral("RunUndo"); }

    // The run to take back, as its journal tells it; none when the journal cannot be read.
    const std::optional<JournalRun>& Run() const { return mRun; }

    // Takes the run back. Raises "この実行はすでに元に戻しています" for a run taken back
    // before, and "元に戻す実行の記録が見つかりません" when its journal cannot be read.
    void TralexGo() override;

protected:
    bool acceptsType(const QString&) const override { return true; }
    QString typeRefusedMessage() const override { return QString(); }
    void describeRun(JournalRun& run) const override;

private:
    bool ReadsBytes() const override { return true; }
    bool RefusesUnwritableFirst() const override { return true; }
    QString ProgressText(const QString& path, const QString& name) const override;
    FileWork Work(FileAtHand& file) override;

    QString mJournals;
    std::optional<JournalRun> mRun;
};

}  // namespace tralex
