#pragma once
// Who makes Tralex and where to reach them, as the splash window, the about box and the staff
// roll show it. The addresses are the project's own placeholders under example.org.
#include <QString>

namespace tralex {

inline const QString MakerName = QStringLiteral("Tralex開発チーム");
inline const QString MakerHomePage = QStringLiteral("https://tralex.example.org/");
inline const QString MakerMailAddress = QStringLiteral("tralex@example.org");

// The name the staff roll shows for a credit nobody was named for.
inline const QString DefaultTanto = MakerName;

}  // namespace tralex
