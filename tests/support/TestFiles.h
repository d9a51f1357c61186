#pragma once
// Helpers for tests that work on real files in a temporary folder.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace tralex::test {

// A temporary folder, removed with everything in it when the object goes.
class TempFolder {
public:
    TempFolder() { EXPECT_TRUE(mDir.isValid()); }

    // The folder's path with a final "/".
    QString path() const { return mDir.path() + QLatin1Char('/'); }
    QString file(const QString& relative) const { return path() + relative; }

    // Writes bytes to a file below the folder, creating the folders on the way.
    QString write(const QString& relative, const QByteArray& bytes) const
    {
        const QString full = file(relative);
        QDir().mkpath(QFileInfo(full).absolutePath());
        QFile f(full);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << full.toStdString();
        f.write(bytes);
        return full;
    }

    QString mkdir(const QString& relative) const
    {
        const QString full = file(relative);
        EXPECT_TRUE(QDir().mkpath(full)) << full.toStdString();
        return full.endsWith(QLatin1Char('/')) ? full : full + QLatin1Char('/');
    }

private:
    QTemporaryDir mDir;
};

// The whole content of a file; an empty array for a missing file.
inline QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The text in a character set as glibc's iconv writes it: an encoder independent of the one
// under test, as other programs on the system write files.
inline QByteArray iconvTo(const QString& text, const char* charset)
{
    QProcess iconv;
    iconv.start(QStringLiteral("iconv"),
                {QStringLiteral("-f"), QStringLiteral("UTF-8"), QStringLiteral("-t"),
                 QString::fromLatin1(charset)});
    EXPECT_TRUE(iconv.waitForStarted()) << "iconv cannot be started";
    iconv.write(text.toUtf8());
    iconv.closeWriteChannel();
    EXPECT_TRUE(iconv.waitForFinished(-1));
    EXPECT_EQ(iconv.exitCode(), 0) << iconv.readAllStandardError().toStdString();
    return iconv.readAllStandardOutput();
}

}  // namespace tralex::test
