#include "dialogs/JapaneseFonts.h"

#include <QCoreApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace tralex {

bool InstallJapaneseFonts()
{
    // fontconfig knows nothing of the Windows names, so without these the windows would fall back
    // to whatever sans font the system prefers, often one much taller that clips fixed labels.
    const QString gothic = QStringLiteral("IPAGothic");
    const QString mincho = QStringLiteral("IPAMincho");
    QFont::insertSubstitution(GothicFamily, gothic);
    QFont::insertSubstitution(QStringLiteral("MS Gothic"), gothic);
    QFont::insertSubstitution(MinchoFamily, mincho);
    QFont::insertSubstitution(QStringLiteral("MS Mincho"), mincho);

    // One translator for the whole process, owned by the application object.
    static QTranslator* translator = nullptr;
    if (translator)
        return true;
    auto* candidate = new QTranslator(QCoreApplication::instance());
    if (!candidate->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                         QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete candidate;
        return false;
    }
    QCoreApplication::installTranslator(candidate);
    translator = candidate;
    return true;
}

}  // namespace tralex
