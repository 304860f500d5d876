// devsim: serves a 2D people-counter database as a counting device until SIGINT or SIGTERM.
#include <pthread.h>
#include <signal.h>

#include <cstdio>

#include "DevSim.h"
#include "DevSimOptions.h"
#include "base/Version.h"

namespace zl {

int Main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (zl::AsksForVersion(args)) {
        std::fputs(zl::VersionText("devsim").c_str(), stdout);
        return 0;
    }
    DevSimConfig config;
    std::string error;
    const int parsed = ParseDevSimArgs(args, &config, &error);
    if (parsed == 2) {
        std::fputs(DevSimUsage(), stdout);
        return 0;
    }
    if (parsed == 0) {
        std::fprintf(stderr, "devsim: %s (see devsim --help)\n", error.c_str());
        return 2;
    }

    // Block the stop signals before any thread starts, so only sigwait below sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    DevSim sim;
    if (!sim.Start(config, &error)) {
        std::fprintf(stderr, "devsim: %s\n", error.c_str());
        return 1;
    }
    std::printf("devsim: device \"%s\" with %d cameras listening on %s:%d\n", config.name.c_str(),
                sim.CameraCount(), config.address.c_str(), sim.Port());
    std::fflush(stdout);

    int signalNumber = 0;
    sigwait(&stopSignals, &signalNumber);
    std::fprintf(stderr, "devsim: stopping (%s)\n", signalNumber == SIGINT ? "SIGINT" : "SIGTERM");
    sim.Stop();
    return 0;
}

}  // namespace zl

int main(int argc, char** argv) {
    return zl::Main(argc, argv);
}
