#pragma once
// One run of the command line: the request checked as the main window checks it, the engine
// made and set up the same way, run on this thread with its progress on standard error and
// its results on standard output as they come, and Ctrl-C taken as STOP.
#include "cli/CliOptions.h"

#include <functional>
#include <memory>

namespace tralex {

class TralexEngine;

class CliRun {
public:
    // What the program exits with.
    enum Status { Success = 0, FilesSkipped = 1, Failure = 2 };

    explicit CliRun(const CliOptions& options) : mOptions(options) {}

    // Runs; returns the exit status: Success, FilesSkipped, Failure, or 128 + the number of the
    // signal that stopped the run.
    int Run();

private:
    // Runs an engine made by `make` (set up already); the same output and exit status for all.
    int runEngine(const std::function<std::shared_ptr<TralexEngine>()>& make);
    // The runs of the journals, newest first.
    int printHistory();

    const CliOptions& mOptions;
};

}  // namespace tralex
