#pragma once
// Helpers for tests that work on real files in a temporary folder.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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

}  // namespace tralex::test
