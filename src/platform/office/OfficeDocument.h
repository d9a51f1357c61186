#pragma once
// A file opened by the office application (our stand-in for a workbook or document object): what
// LibreOffice detected it as, whether it may be and has been changed, storing and closing.
// Closing never stores; a document still open when this object goes is closed unsaved.
#include <QList>
#include <QString>
#include <memory>
#include <utility>

namespace tralex {

class OfficeApplication;

// Find texts with their replace texts, applied in list order, each to the result of the ones
// before.
using TextPairs = QList<std::pair<QString, QString>>;

class OfficeDocument {
public:
    struct Impl;
    OfficeDocument(OfficeApplication& application, std::unique_ptr<Impl> impl);
    ~OfficeDocument();
    OfficeDocument(const OfficeDocument&) = delete;
    OfficeDocument& operator=(const OfficeDocument&) = delete;

    OfficeApplication& Application() const { return mApplication; }

    // The name of the import filter LibreOffice chose for the file ("MS Excel 97", "writer8" ...).
    QString FilterName();
    // Whether LibreOffice opened it read-only (then no edit ever changes it).
    bool IsReadOnly();
    // Whether it holds changes not stored yet (the opposite of Excel's and Word's Saved).
    bool IsModified();
    // Writes the document to a path with an export filter, without a preview picture; the
    // document itself stays as it is. A copy stored to take the place of a file (`shownAs`)
    // writes its links relative to that place, where they will be read.
    void StoreTo(const QString& path, const QString& filterName, const QString& shownAs = QString());
    // Closes without storing. Never raises: a process that is gone has closed it already.
    void Close();

    Impl& impl() const { return *d; }

private:
    OfficeApplication& mApplication;
    std::unique_ptr<Impl> d;
};

}  // namespace tralex
