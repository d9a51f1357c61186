#pragma once
#include <QString>

namespace tralex {

// The user's special folders by the index numbers the program uses:
//   0 desktop, 1 programs menu, 2 documents, 3 favourites, 4 start-up, 5 recent, 6 start menu,
//   7 network places, 8 fonts, 9 templates, 10 all users' start menu, 11 all users' programs,
//   12 all users' start-up, 13 all users' desktop, 14 application data, 15 cookies, 16 history,
//   17 internet cache, 18 printers.
// Each is mapped to its freedesktop counterpart (the XDG user folders through QStandardPaths,
// ~/.local/share/applications for the menus, ~/.config/autostart for start-up, ...). The path
// has no final "/". Folders that have no counterpart here (favourites, recent, network places,
// all users' desktop, cookies, history, printers) and indexes outside 0 to 18 give the empty text.
QString SpecialFolderPath(int index);

}  // namespace tralex
