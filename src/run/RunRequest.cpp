#include "run/RunRequest.h"

#include "engines/office/OfficeTypes.h"
#include "engines/office/clsExcelControl.h"
#include "engines/office/clsWordControl.h"
#include "platform/ProgramError.h"
#include "services/basIniControl.h"
#include "services/basPathControl.h"

#include <QFileInfo>

namespace tralex {

namespace {

[[noreturn]] void refuse(const QString& source, const QString& description)
{
    throw ProgramError(source, description);
}

// The office engines start this program; without it (LibreOffice not installed, as the package
// only recommends it) the run is refused at once, with the reason a person can act on.
bool OfficeInstalled()
{
    return QFileInfo(QStringLiteral(TRALEX_LO_PROGRAM "/soffice.bin")).isExecutable();
}

}  // namespace

void RunRequest::Check(const QString& source) const
{
    if (backUpFolderChosen) {
        if (backUpPath.isEmpty())
            refuse(source, QStringLiteral("BackUpファイルを作成するフォルダを指定してください"));
        if (!PathExists(backUpPath))
            refuse(source, QStringLiteral("BackUpファイルを作成するフォルダが正しくありません"));
    }
    if (targetPath.isEmpty())
        refuse(source, QStringLiteral("検索するフォルダを指定してください"));
    if (!PathExists(targetPath))
        refuse(source, QStringLiteral("検索するフォルダが正しくありません"));
    if (type.isEmpty()) {
        refuse(source, action == Action::DeleteBackUps
                           ? QStringLiteral("削除するファイルの拡張子を選択してください")
                           : QStringLiteral("検索するファイルの拡張子を選択してください"));
    }
    if (action == Action::Replace && EngineFor() != Engine::Text && !OfficeInstalled()) {
        refuse(source, QStringLiteral("LibreOffice がインストールされていないため、表計算と文書のファイルは置換できません"
                                      "（libreoffice-calc と libreoffice-writer を入れてください）"));
    }
}

RunRequest::Engine RunRequest::EngineFor() const
{
    // The backups of today's office types, which the text engine does not take, are deleted by
    // the office engines, through the same loop; "xls" and "doc" backups by the text engine.
    const bool office = action == Action::Replace || OfficeTypes().contains(type.trimmed());
    if (office && IsSpreadsheetType(type))
        return Engine::Spreadsheet;
    if (office && IsDocumentType(type))
        return Engine::Document;
    return Engine::Text;
}

std::shared_ptr<TralexEngine> RunRequest::MakeEngine() const
{
    switch (EngineFor()) {
    case Engine::Spreadsheet: return std::make_shared<clsExcelControl>();
    case Engine::Document: return std::make_shared<clsWordControl>();
    case Engine::Text: break;
    }
    return std::make_shared<clsTextTralex>();
}

void RunRequest::Configure(TralexEngine& engine) const
{
    if (backUpFolderChosen)
        engine.setBackUpPath(backUpPath);
    engine.setSsCollection(pairs);
    engine.setTargetPath(targetPath);
    engine.setTargetType(type);
    engine.setRetryOption(retry);
    engine.setUcaseOption(!caseSensitive);
    engine.setSubFolder(subFolders);
    if (auto* text = dynamic_cast<clsTextTralex*>(&engine))
        text->setAsciiFileEncoding(asciiEncoding);
    engine.setExcludedFolders(excluded);
    if (action == Action::Replace)
        engine.setJournalFolder(journalFolder);
    engine.setPreview(preview && action == Action::Replace);
    engine.setPreviewLineLimit(previewLines);
}

namespace {

const QString IniSection = QStringLiteral("COMMON");
const QString IniKeyExcluded = QStringLiteral("EXCLUDEFOLDERS");

}  // namespace

ExcludedFolders RunRequest::StoredExclusions(const QString& iniFile)
{
    // No value is a list never edited; a list the user emptied is stored as a lone separator.
    const QString stored = ReadIniValue(iniFile, IniSection, IniKeyExcluded);
    return stored.isEmpty() ? ExcludedFolders::Default() : ExcludedFolders::FromSetting(stored);
}

bool RunRequest::StoreExclusions(const QString& iniFile, const ExcludedFolders& folders)
{
    const QString value = folders.Patterns().isEmpty() ? QStringLiteral("/") : folders.ToSetting();
    return WriteIniValue(iniFile, IniSection, IniKeyExcluded, value);
}

}  // namespace tralex
