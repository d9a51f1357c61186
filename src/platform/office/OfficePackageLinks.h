#pragma once
// The pictures and objects an office file shows from another file or from the network instead of
// holding them, read from the file's own zip package (OpenDocument or Office Open XML) without
// LibreOffice: LibreOffice reads such a picture of a workbook while it loads the workbook, and a
// linked object while it loads any file, whatever its settings say, so this is known before the
// file is handed to it.
//
// Only what a package shows is listed: hyperlinks, links of cells to other workbooks and links
// of sections are left out (LibreOffice does not follow them while it loads a file, and the
// office automation never updates them).
#include <QList>
#include <QString>

namespace tralex {

struct PackageLink {
    enum class Kind { Picture, Object };
    Kind kind = Kind::Picture;
    QString target;  // as the package names it (a relative path, a file: or web address)
    bool web = false;  // an http, https or ftp address
};

struct PackageLinks {
    // Whether the file is a zip package whose parts were read; a file that is no package (an
    // .xls, a .doc, an encrypted .xlsx) has nothing listed.
    bool package = false;
    // Whether a part that may show links could not be read as XML: what the file links to is
    // then unknown. (The parts a password encrypts are not read: LibreOffice refuses the file.)
    bool unreadable = false;
    QList<PackageLink> links;
};

// Reads the links of the package at `path`. In an OpenDocument package: the pictures and
// objects of content.xml and styles.xml, also of the documents embedded in it. In an Office Open
// XML package: the relationships to pictures and objects outside the package.
PackageLinks LinksOfPackage(const QString& path);

}  // namespace tralex
