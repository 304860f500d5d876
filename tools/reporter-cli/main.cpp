// reporter-cli: runs one report without a window and writes it as a table, CSV, XML or JSON.
#include <unistd.h>

#include <csignal>
#include <iostream>

#include "ReporterCli.h"
#include "recnet/RecNet.h"

namespace zl {

namespace {

std::atomic<bool> g_cancel{false};

void OnInterrupt(int) {
    g_cancel.store(true);
    // A second interrupt ends the program at once.
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

}  // namespace

int Main(int argc, char** argv) {
    // The sites of a report are read at once, each on its own connection.
    RecNetUnmeteredSqliteMemory();
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    std::signal(SIGPIPE, SIG_IGN);
    CliIo io;
    io.out = &std::cout;
    io.err = &std::cerr;
    io.errIsTerminal = isatty(STDERR_FILENO) != 0;
    io.cancel = &g_cancel;
    return RunReporterCli(std::vector<std::string>(argv + 1, argv + argc), io);
}

}  // namespace zl

int main(int argc, char** argv) {
    return zl::Main(argc, argv);
}
