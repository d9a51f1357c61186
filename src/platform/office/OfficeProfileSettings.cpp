#include "platform/office/OfficeProfileSettings.h"

#include <QByteArray>
#include <QFile>
#include <QSaveFile>

namespace tralex {

namespace {

// Workbooks load the images they link to while they are read, whatever the settings say: every
// address on the network goes through a proxy that is not there (port 9 of this machine), so
// that such a load fails at once without a request leaving the process.
QByteArray proxy(const char* scheme)
{
    const QByteArray item = "<item oor:path=\"/org.openoffice.Inet/Settings\"><prop oor:name=\"ooInet" + QByteArray(scheme);
    return item + "ProxyName\" oor:op=\"fuse\"><value>127.0.0.1</value></prop></item>\n" + item
           + "ProxyPort\" oor:op=\"fuse\"><value>9</value></prop></item>\n";
}

// LibreOffice blocks what a document links to unless the document comes from a trusted place,
// when BlockUntrustedRefererLinks is on; our profile trusts no place. Links of workbooks (1) and
// of documents (0) are never updated.
const QByteArray Items =
    "<item oor:path=\"/org.openoffice.Office.Common/Security/Scripting\"><prop oor:name=\"BlockUntrustedRefererLinks\" "
    "oor:op=\"fuse\"><value>true</value></prop></item>\n"
    "<item oor:path=\"/org.openoffice.Office.Calc/Content/Update\"><prop oor:name=\"Link\" "
    "oor:op=\"fuse\"><value>1</value></prop></item>\n"
    "<item oor:path=\"/org.openoffice.Office.Writer/Content/Update\"><prop oor:name=\"Link\" "
    "oor:op=\"fuse\"><value>0</value></prop></item>\n"
    + proxy("HTTP") + proxy("HTTPS") + proxy("FTP")
    + "<item oor:path=\"/org.openoffice.Inet/Settings\"><prop oor:name=\"ooInetProxyType\" oor:op=\"fuse\">"
      "<value>1</value></prop></item>\n"
      "<item oor:path=\"/org.openoffice.Inet/Settings\"><prop oor:name=\"ooInetNoProxy\" oor:op=\"fuse\">"
      "<value></value></prop></item>\n";

const QByteArray Empty =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
    "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
    "</oor:items>\n";

}  // namespace

bool WriteProfileSettings(const QString& profileFolder)
{
    const QString path = profileFolder + QLatin1String("/user/registrymodifications.xcu");
    QFile old(path);
    QByteArray xcu = old.open(QIODevice::ReadOnly) ? old.readAll() : QByteArray();
    old.close();
    const qsizetype end = xcu.lastIndexOf("</oor:items>");
    if (end < 0)
        xcu = Empty;
    xcu.insert(xcu.lastIndexOf("</oor:items>"), Items);
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(xcu) == xcu.size() && file.commit();
}

}  // namespace tralex
