// recnetd: the record-database server. Runs in the foreground, logs to standard error and
// stops on SIGINT or SIGTERM.
//
//   recnetd [--config FILE]                     serve
//   recnetd [--config FILE] --check             read the configuration and exit
//   recnetd [--config FILE] --add-user NAME     add a user (or set a new password)
//   recnetd [--config FILE] --remove-user NAME  remove a user
//   recnetd --version                           print the version
#include <sodium.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "PasswordInput.h"
#include "RecNetServer.h"
#include "ServerConfig.h"
#include "UserStore.h"
#include "base/ProgramFolder.h"
#include "base/Version.h"

namespace zl {

namespace {

void Usage() {
    std::fprintf(stderr,
                 "usage: recnetd [--config FILE] [--check | --add-user NAME | --remove-user "
                 "NAME]\n"
                 "  --config FILE       configuration (default: recnetd.ini beside recnetd,\n"
                 "                      else %srecnetd/recnetd.ini)\n"
                 "  --check             read the configuration, report and exit\n"
                 "  --add-user NAME     add NAME or set a new password; the password is read\n"
                 "                      from the terminal (no echo) or one line of stdin\n"
                 "  --remove-user NAME  remove NAME\n"
                 "  --version           print the version and exit\n",
                 zl::InstalledConfigFolder());
}

// recnetd.ini beside the program (a copy run from its build or a folder of its own), else
// the one of an installed copy (/etc/recnetd/recnetd.ini).
std::string DefaultConfigPath() {
    const std::string beside = zl::ProgramFolder() + "recnetd.ini";
    if (::access(beside.c_str(), F_OK) == 0) return beside;
    return std::string(zl::InstalledConfigFolder()) + "recnetd/recnetd.ini";
}

int WaitForStopSignal(const sigset_t& signals) {
    int received = 0;
    while (sigwait(&signals, &received) != 0) {
    }
    return received;
}

}  // namespace

int Main(int argc, char** argv) {
    std::string configPath;
    std::string addUser, removeUser;
    bool check = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--config" || arg == "-c") && i + 1 < argc) {
            configPath = argv[++i];
        } else if (arg == "--add-user" && i + 1 < argc) {
            addUser = argv[++i];
        } else if (arg == "--remove-user" && i + 1 < argc) {
            removeUser = argv[++i];
        } else if (arg == "--check") {
            check = true;
        } else if (arg == "--help" || arg == "-h") {
            Usage();
            return 0;
        } else if (arg == "--version") {
            std::fputs(zl::VersionText("recnetd").c_str(), stdout);
            return 0;
        } else {
            std::fprintf(stderr, "recnetd: unknown or incomplete option %s\n", arg.c_str());
            Usage();
            return 2;
        }
    }
    if (configPath.empty()) configPath = DefaultConfigPath();
    if (sodium_init() < 0) {
        std::fprintf(stderr, "recnetd: cannot initialise libsodium\n");
        return 1;
    }

    zl::recnetd::ServerConfig config;
    std::string error;
    if (!zl::recnetd::LoadServerConfig(configPath, &config, &error)) {
        std::fprintf(stderr, "recnetd: %s\n", error.c_str());
        return 1;
    }

    if (!addUser.empty()) {
        if (!zl::recnetd::IsValidUserName(addUser)) {
            std::fprintf(stderr,
                         "recnetd: invalid user name (letters, digits, . _ - @; 1 to 64)\n");
            return 1;
        }
        std::string password;
        if (!zl::recnetd::ReadNewPassword(addUser, &password, &error)) {
            std::fprintf(stderr, "recnetd: %s\n", error.c_str());
            return 1;
        }
        const bool ok =
            zl::recnetd::UserStore::AddUser(config.usersFile, addUser, password, &error);
        sodium_memzero(password.data(), password.size());
        if (!ok) {
            std::fprintf(stderr, "recnetd: %s\n", error.c_str());
            return 1;
        }
        std::fprintf(stderr, "recnetd: user %s saved in %s\n", addUser.c_str(),
                     config.usersFile.c_str());
        return 0;
    }
    if (!removeUser.empty()) {
        if (!zl::recnetd::UserStore::RemoveUser(config.usersFile, removeUser, &error)) {
            std::fprintf(stderr, "recnetd: %s\n", error.c_str());
            return 1;
        }
        std::fprintf(stderr, "recnetd: user %s removed from %s\n", removeUser.c_str(),
                     config.usersFile.c_str());
        return 0;
    }
    if (check) {
        if (!zl::recnetd::CheckServerFiles(config, &error)) {
            std::fprintf(stderr, "recnetd: %s\n", error.c_str());
            return 1;
        }
        std::fprintf(stderr, "recnetd: %s is valid\n", configPath.c_str());
        return 0;
    }

    // The stop signals are taken by this thread alone: blocked before any other thread
    // starts, then waited for.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    zl::recnetd::RecNetServer server(config);
    if (!server.Start(&error)) {
        std::fprintf(stderr, "recnetd: %s\n", error.c_str());
        return 1;
    }
    const int received = WaitForStopSignal(signals);
    std::fprintf(stderr, "recnetd: %s received, stopping\n", strsignal(received));
    server.Stop();
    return 0;
}

}  // namespace zl

int main(int argc, char** argv) {
    return zl::Main(argc, argv);
}
