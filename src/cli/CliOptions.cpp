#include "cli/CliOptions.h"

#include "services/RunJournal.h"

#include "platform/SettingsFolder.h"
#include "services/PairEntry.h"
#include "services/basIniControl.h"
#include "services/basListFile.h"

#include <QDir>

#include <cstdlib>

namespace tralex {

namespace {

const QString Slash = QStringLiteral("/");

// A folder as the run checks it: absolute, and ending with "/", which marks a folder for the
// checks. A name typed in a shell rarely has it; the empty text stays empty so that the check
// reports the missing folder.
QString folderArgument(const QString& argument)
{
    if (argument.isEmpty())
        return argument;
    QString path = QDir::current().absoluteFilePath(argument);
    if (!path.endsWith(Slash))
        path += Slash;
    return path;
}

// A line break typed into a find or replace text is kept as CR LF, as the main window keeps it,
// so that a pair means the same whichever front end made it.
QString pairText(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

void addPair(RunRequest& request, const QString& find, const QString& replace)
{
    if (!IsStorableListText(find) || !IsStorableListText(replace))
        throw UsageError(QStringLiteral("文字コード30・31の制御文字はリストに登録できません"));
    request.pairs->Add(BuildPairEntry(find, replace));
}

// The encoding for files of ASCII alone that the main window keeps in "Tralex.ini".
clsTextTralex::AsciiFileEncoding storedAsciiEncoding()
{
    const QString value = ReadIniValue(SettingsFolder() + QStringLiteral("Tralex.ini"),
                                       QStringLiteral("COMMON"), QStringLiteral("ASCIICODE"))
                              .trimmed();
    if (value.compare(QStringLiteral("AUTO"), Qt::CaseInsensitive) == 0)
        return clsTextTralex::AsciiFileEncoding::Auto;
    if (value.compare(QStringLiteral("SJIS"), Qt::CaseInsensitive) == 0)
        return clsTextTralex::AsciiFileEncoding::ShiftJis;
    return clsTextTralex::AsciiFileEncoding::Utf8;
}

class ArgumentReader {
public:
    explicit ArgumentReader(const QStringList& arguments) : mArguments(arguments) {}
    bool atEnd() const { return mNext >= mArguments.size(); }
    QString next() { return mArguments.at(mNext++); }
    const QString& peek() const { return mArguments.at(mNext); }
    // The value of an option; a missing one is a usage error naming the option.
    QString value(const QString& option)
    {
        if (atEnd())
            throw UsageError(QStringLiteral("%1 の後に値がありません").arg(option));
        return next();
    }

private:
    const QStringList& mArguments;
    qsizetype mNext = 0;
};

}  // namespace

UsageError::UsageError(const QString& message)
    : std::runtime_error(message.toStdString()), mMessage(message)
{
}

CliOptions CliOptions::Parse(const QStringList& arguments)
{
    CliOptions options;
    RunRequest& request = options.request;
    request.pairs = makeOrderedList();
    QStringList operands;
    ArgumentReader reader(arguments);
    bool optionsEnded = false;
    while (!reader.atEnd()) {
        const QString argument = reader.next();
        if (optionsEnded || !argument.startsWith(QLatin1Char('-')) || argument == QStringLiteral("-")) {
            operands << argument;
        } else if (argument == QStringLiteral("--")) {
            optionsEnded = true;
        } else if (argument == QStringLiteral("--help") || argument == QStringLiteral("-h")) {
            options.mode = Mode::Help;
        } else if (argument == QStringLiteral("--version")) {
            options.mode = Mode::Version;
        } else if (argument == QStringLiteral("--subfolders")) {
            request.subFolders = true;
        } else if (argument == QStringLiteral("--case")) {
            request.caseSensitive = true;
        } else if (argument == QStringLiteral("--no-retry")) {
            request.retry = false;
        } else if (argument == QStringLiteral("--delete-backups")) {
            request.action = RunRequest::Action::DeleteBackUps;
        } else if (argument == QStringLiteral("--undo")) {
            options.mode = Mode::Undo;
            // An id is a journal's name, never an option.
            if (!reader.atEnd() && !reader.peek().startsWith(QLatin1Char('-')))
                options.undoId = reader.next();
        } else if (argument == QStringLiteral("--history")) {
            options.mode = Mode::History;
        } else if (argument == QStringLiteral("--json")) {
            options.json = true;
        } else if (argument == QStringLiteral("--backup-folder")) {
            request.backUpFolderChosen = true;
            request.backUpPath = folderArgument(reader.value(argument));
        } else if (argument == QStringLiteral("--pair")) {
            const QString find = pairText(reader.value(argument));
            addPair(request, find, pairText(reader.value(argument)));
        } else if (argument == QStringLiteral("--list")) {
            for (const ListPair& pair : ReadListFile(reader.value(argument)))
                addPair(request, pair.find, pair.replace);
        } else if (argument == QStringLiteral("--preview")) {
            request.preview = true;
        } else if (argument == QStringLiteral("--all-lines")) {
            request.previewLines = -1;
        } else {
            throw UsageError(QStringLiteral("知らないオプションです: %1").arg(argument));
        }
    }
    if (options.mode == Mode::Undo || options.mode == Mode::History) {
        if (!operands.isEmpty())
            throw UsageError(QStringLiteral("--undo と --history にフォルダと種類は要りません"));
        return options;
    }
    if (options.mode != Mode::Run)
        return options;
    if (operands.size() != 2)
        throw UsageError(QStringLiteral("フォルダと種類（拡張子）を一つずつ指定してください"));
    if (request.preview && request.action == RunRequest::Action::DeleteBackUps)
        throw UsageError(QStringLiteral("--preview は --delete-backups と一緒には使えません"));
    request.targetPath = folderArgument(operands.at(0));
    request.type = operands.at(1);
    request.asciiEncoding = storedAsciiEncoding();
    request.excluded = RunRequest::StoredExclusions(SettingsFolder() + QStringLiteral("Tralex.ini"));
    request.journalFolder = RunJournal::DefaultFolder();
    return options;
}

bool CliOptions::EnglishLocale()
{
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return QByteArray(value).startsWith("en");
    }
    return false;
}

QString CliOptions::HelpText(bool english)
{
    if (english) {
        return QStringLiteral(
            "Usage: tralex-cli [OPTION]... FOLDER TYPE\n"
            "Replaces every pair, in order, in each file of TYPE (an extension such as txt, xls,\n"
            "docx) in FOLDER, keeping the old content of each changed file in a backup.\n"
            "\n"
            "Pairs (at least one for a replacement; applied in the order given):\n"
            "  --pair FIND REPLACE   one pair; may be repeated\n"
            "  --list FILE.slt       the pairs of a list file saved by Tralex\n"
            "\n"
            "Options (the defaults are those of the main window):\n"
            "  --subfolders          include every subfolder of FOLDER\n"
            "  --case                tell upper from lower case (default: ignore case)\n"
            "  --no-retry            also replace inside text that is already a replacement\n"
            "                        (default: leave it alone)\n"
            "  --backup-folder DIR   put backups under DIR instead of beside each file\n"
            "  --delete-backups      delete the backups of TYPE in FOLDER instead of replacing\n"
            "  --json                print one JSON object per line instead of text\n"
            "  --preview             change nothing: list each file a run would change, with its\n"
            "                        replacements and its first 20 changed lines, before and after\n"
            "  --all-lines           with --preview, every changed line\n"
            "  --undo [ID]           take back the last run (or run ID of --history): each file\n"
            "                        changed since that run, or without its backup, is left as it is\n"
            "  --history             list the last runs that changed files, newest first\n"
            "  -h, --help            show this help;  --version  show the version\n"
            "\n"
            "Output: one line per changed or skipped file and a summary line; progress goes to\n"
            "standard error. Ctrl-C stops after the file in hand and reports what was done.\n"
            "Exit status: 0 all went well, 1 files were skipped, 2 usage or run error,\n"
            "130 stopped by Ctrl-C (143 by SIGTERM).\n"
            "Folders on the list of folders to leave out (edited in the main window) are not entered.\n");
    }
    return QStringLiteral(
        "使い方: tralex-cli [オプション]... フォルダ 種類\n"
        "フォルダの中の、種類（txt、xls、docx などの拡張子）のファイルすべてで、置換の組を順に\n"
        "置換します。変更したファイルの元の内容はバックアップファイルに残ります。\n"
        "\n"
        "置換の組（置換には一つ以上。指定した順に適用します）:\n"
        "  --pair 検索 置換      一組。繰り返して指定できます\n"
        "  --list ファイル.slt   Tralex で保存した置換リストの組\n"
        "\n"
        "オプション（既定はメインウィンドウと同じです）:\n"
        "  --subfolders          サブフォルダも対象にする\n"
        "  --case                大文字・小文字を区別する（既定: 区別しない）\n"
        "  --no-retry            すでに置換されている部分も置換する（既定: 置換しない）\n"
        "  --backup-folder DIR   バックアップをファイルの横ではなく DIR の下に作る\n"
        "  --delete-backups      置換せず、フォルダの中の種類のバックアップファイルを削除する\n"
        "  --json                テキストの代わりに 1 行に一つの JSON で出力する\n"
        "  --preview             何も変更せず、実行すると変わるファイルを、置換の数と、変わる\n"
        "                        最初の 20 行の前後とともに表示する\n"
        "  --all-lines           --preview で、変わる行をすべて表示する\n"
        "  --undo [ID]           最後の実行（または --history の ID の実行）を元に戻す。実行の後で\n"
        "                        変更されたファイル、バックアップのないファイルはそのままにする\n"
        "  --history             ファイルを変更した最近の実行を、新しい順に表示する\n"
        "  -h, --help            この説明を表示する。 --version  版を表示する\n"
        "\n"
        "出力: 変更したファイルと処理できなかったファイルを 1 行ずつ、最後に集計を 1 行。\n"
        "進み具合は標準エラーに出します。Ctrl-C で、処理中のファイルの後に止まり、\n"
        "そこまでの結果を出します。\n"
        "終了コード: 0 すべて処理した、1 処理できなかったファイルがある、2 指定または実行の\n"
        "誤り、130 Ctrl-C で中止した（SIGTERM では 143）。\n"
        "対象外のフォルダ（メインウィンドウで設定）の中は調べません。\n");
}

}  // namespace tralex
