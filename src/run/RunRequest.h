#pragma once
// One run as the user asked for it, whoever asked (the main window or the command line): the
// action, the folders, the type, the options and the pairs. The checks, the choice of engine and
// the engine's set-up live here, so that every front end runs the engines the same way and
// refuses the same things with the same messages.
#include "engines/clsTextTralex.h"
#include "services/ExcludedFolders.h"
#include "services/OrderedList.h"

#include <QString>
#include <memory>

namespace tralex {

class TralexEngine;

struct RunRequest {
    enum class Action { Replace, DeleteBackUps };
    enum class Engine { Text, Spreadsheet, Document };

    Action action = Action::Replace;
    bool backUpFolderChosen = false;  // backups go to backUpPath instead of beside each file
    QString backUpPath;
    QString targetPath;
    QString type;
    bool retry = true;           // leave occurrences inside a replace text alone
    bool caseSensitive = false;  // the engines fold case unless this is set
    bool subFolders = false;
    OrderedListRef pairs;        // handed to the engine as it is, not copied
    clsTextTralex::AsciiFileEncoding asciiEncoding = clsTextTralex::AsciiFileEncoding::Utf8;
    ExcludedFolders excluded = ExcludedFolders::Default();  // folders every run leaves out
    QString journalFolder;       // where replacing runs keep their journals; empty: none
    bool preview = false;        // show what a replacing run would change, writing nothing
    qsizetype previewLines = 20; // changed lines a preview shows per file (negative: all)

    // The field checks, in their fixed order; the first that fails raises a ProgramError with
    // `source` and its message. Folders are written with their final "/". Last, a replacement
    // that needs LibreOffice is refused when LibreOffice is not installed, before anything starts.
    void Check(const QString& source) const;
    // The engine for the type and action.
    Engine EngineFor() const;
    // A new engine of that kind.
    std::shared_ptr<TralexEngine> MakeEngine() const;
    // Sets the engine's members in the order the engines expect: the backup folder first, then
    // the pairs, the folder and type, and the options.
    void Configure(TralexEngine& engine) const;

    // The folders to leave out as the settings file keeps them (the first list when it has none),
    // and how they are written there.
    static ExcludedFolders StoredExclusions(const QString& iniFile);
    static bool StoreExclusions(const QString& iniFile, const ExcludedFolders& folders);
};

}  // namespace tralex
