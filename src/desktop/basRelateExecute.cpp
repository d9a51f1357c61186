#include "desktop/basRelateExecute.h"

#include "desktop/ShellOpen.h"
#include "platform/ProgramError.h"
#include "services/basPathControl.h"

#include <QFileInfo>

namespace tralex {

void RelateExecute(const QString& path)
{
    const QString source = QStringLiteral("RelateExecute");
    const QString name = GetFileName(path);
    if (!FileExists(path))
        throw ProgramError(source, name + QStringLiteral("が見つかりません"));
    if (!ShellOpen(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath())))
        throw ProgramError(source, name + QStringLiteral("が開けませんでした"));
}

void StringExecute(const QString& text)
{
    if (!ShellOpen(UrlForText(text)))
        throw ProgramError(QStringLiteral("StringExecute"), text + QStringLiteral("が実行出来ませんでした"));
}

}  // namespace tralex
