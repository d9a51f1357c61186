#pragma once
// The settings every process of ours runs with, written into its private profile before it first
// starts: a file it opens never loads anything it links to (images, objects, other files), from
// the disk or from the network, and never has its links updated. A run works on files the user
// may not trust, as a user (often root) who may read more than the file's own readers: what a
// file links to must not end up in what is stored, nor be fetched from anywhere.
#include <QString>

namespace tralex {

// Adds the settings to the profile folder's user settings (set up by a first start); false when
// they cannot be written.
bool WriteProfileSettings(const QString& profileFolder);

}  // namespace tralex
