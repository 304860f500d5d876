// reporter-cli as a function: the query engine without a window. main.cpp wraps it with the
// process's streams and a signal handler; tests call it in-process.
#pragma once

#include <atomic>
#include <ostream>
#include <string>
#include <vector>

namespace zl {

enum CliExit {
    kCliDone = 0,
    kCliUsage = 1,
    kCliNoSite = 2,
    kCliQueryFailed = 3,
    kCliOutputFailed = 4,
    // The report was written from the sites that answered; one or more sites could not be
    // connected or their cameras not found (each is named on standard error).
    kCliSomeSitesFailed = 5,
};

struct CliIo {
    std::ostream* out = nullptr;                // the result when there is no --output
    std::ostream* err = nullptr;                // error lines, notes and the progress bar
    bool errIsTerminal = false;                 // draw the progress bar
    const std::atomic<bool>* cancel = nullptr;  // set (e.g. by SIGINT) to cancel the run
};

// Runs the command of `args` (the arguments after the program name); answers the exit code.
int RunReporterCli(const std::vector<std::string>& args, const CliIo& io);

}  // namespace zl
