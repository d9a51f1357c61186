#pragma once
#include <QString>
#include <QUrl>

namespace tralex {

// Hands a file or an address to the desktop (QDesktopServices, xdg-open on a Linux desktop): a
// file opens in the program associated with its type, "http(s):" in the browser, "mailto:" in the
// mail program. Returns what the desktop reports: false when it refused or could not start the
// opener. Nothing waits for the opened program.
bool ShellOpen(const QUrl& url);

// The address a text stands for when it is handed to the desktop: an absolute path of something
// that exists as a file address; a text with a scheme ("https:", "mailto:", "file:") as it is;
// "www." + host as an "http://" address. Any other text (a bare word, a command line, a relative
// or missing path) stands for nothing and gives an invalid address: the desktop does not run
// commands.
QUrl UrlForText(const QString& text);

}  // namespace tralex
