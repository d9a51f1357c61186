#include "desktop/ShellOpen.h"

#include <QDesktopServices>
#include <QFileInfo>

namespace tralex {

bool ShellOpen(const QUrl& url)
{
    return url.isValid() && QDesktopServices::openUrl(url);
}

QUrl UrlForText(const QString& text)
{
    if (text.isEmpty())
        return QUrl();
    if (text.startsWith(QLatin1Char('/')))
        return QFileInfo::exists(text) ? QUrl::fromLocalFile(text) : QUrl();
    if (text.startsWith(QLatin1String("www."), Qt::CaseInsensitive))
        return QUrl(QStringLiteral("http://") + text, QUrl::StrictMode);
    const QUrl url(text, QUrl::StrictMode);
    // A scheme of one letter would be a Windows drive ("C:\x"), not an address.
    if (url.isValid() && url.scheme().size() > 1)
        return url;
    return QUrl();
}

}  // namespace tralex
