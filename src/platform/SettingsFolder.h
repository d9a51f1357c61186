#pragma once
#include <QString>

namespace tralex {

// The folder of the program's own files (Tralex.ini, DialogBox.ini, TextFile.tfd), ending with
// "/". It is the executable's folder when that folder can be written and is not one of the
// system's program folders (/usr, /bin, /sbin, /lib, /opt and below), so that a copy unpacked
// anywhere keeps its settings beside it as on Windows; otherwise it is ~/.config/Tralex/ (the
// XDG configuration folder), created when missing. Decided once per process.
QString SettingsFolder();

// Makes SettingsFolder() return this folder from now on ("/" appended when missing; the empty
// text goes back to the folder chosen as above). For tests, which must not share their settings
// files with the program or with each other.
void OverrideSettingsFolder(const QString& folder);

// Where ReadMe.txt is: beside the executable when it is there, else in the installed data folder
// (tralex/ReadMe.txt in ~/.local/share, /usr/local/share, /usr/share or the other XDG data
// folders, the first that holds it), else in share/tralex/ under the program's install prefix
// (the folder above its bin folder). When it is in none of them, the path beside the executable,
// so that opening it reports the missing file by its name.
QString ReadMePath();

}  // namespace tralex
