#pragma once
// The reasons every engine gives for a file it left unchanged, as the user reads them after a run.
#include <QString>

namespace tralex::SkipReason {

inline const QString CannotOpen = QStringLiteral("ファイルが開けません");
inline const QString SymbolicLink = QStringLiteral("シンボリックリンクは対象外です");
inline const QString NotWritable = QStringLiteral("書き込みが許可されていないファイルです");
inline const QString Attributes = QStringLiteral("拡張属性またはアクセス権を引き継げません");
inline const QString Owner = QStringLiteral("所有者またはグループを引き継げません");
inline const QString BackUpFolder = QStringLiteral("バックアップフォルダを作成できません");
inline const QString BackUpFolderUnsafe =
    QStringLiteral("バックアップフォルダの途中にリンクか、ほかの人が書き込めるフォルダがあります");
inline const QString BackUpTaken = QStringLiteral("バックアップファイル名が既に存在します");
inline const QString BackUpFailed = QStringLiteral("バックアップファイルを作成できません");
inline const QString WriteFailed = QStringLiteral("ファイルを書き込めません");
inline const QString NotOnDisk = QStringLiteral("変更がディスクに書き込まれたことを確認できません");
inline const QString NotAFile = QStringLiteral("通常のファイルではありません");
inline const QString Changed = QStringLiteral("読み込んだ後にファイルが変更されました");
inline const QString NotRecorded = QStringLiteral("元に戻すための記録を書き込めません");
inline const QString CellTooLong = QStringLiteral("セルの文字数が形式の上限を超えます");
inline const QString FormulaTooLong = QStringLiteral("数式の文字数が形式の上限を超えます");
inline const QString SheetNameTooLong = QStringLiteral("シート名が形式の上限を超えます");
inline const QString PageTextTooLong = QStringLiteral("ヘッダーまたはフッターの文字数が形式の上限を超えます");
inline const QString NotReadBack = QStringLiteral("保存した内容を読み返すと置換結果と一致しません");
inline const QString SheetNameInvalid = QStringLiteral("シート名に使えない文字が含まれます");

}  // namespace tralex::SkipReason
