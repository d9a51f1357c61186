#pragma once
// One run of the command line: the request checked as the main window checks it, the engine
// made and set up the same way, run on this thread with its progress on standard error and
// its results on standard output as they come, and Ctrl-C taken as STOP.
#include "cli/CliOptions.h"

namespace tralex {

class CliRun {
public:
    // What the program exits with.
    enum Status { Success = 0, FilesSkipped = 1, Failure = 2 };

    explicit CliRun(const CliOptions& options) : mOptions(options) {}

    // Runs; returns the exit status: Success, FilesSkipped, Failure, or 128 + the number of the
    // signal that stopped the run.
    int Run();

private:
    const CliOptions& mOptions;
};

}  // namespace tralex
