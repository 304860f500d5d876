#include "DevSimOptions.h"

#include <charconv>
#include <fstream>

namespace zl {

namespace {

bool ParseInt(const std::string& text, int lo, int hi, int* out) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || value < lo || value > hi) return false;
    *out = value;
    return true;
}

bool ReadPasswordFile(const std::string& path, std::string* password, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return *error = "cannot read the password file " + path, false;
    std::string line;
    std::getline(in, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) return *error = "the password file " + path + " is empty", false;
    *password = line;
    return true;
}

}  // namespace

const char* DevSimUsage() {
    return "usage: devsim --db FILE --user USER (--password-file FILE | --password TEXT)\n"
           "              [--port N] [--address ADDR] [--name NAME] [--cameras N]\n"
           "              [--camera-name N=TEXT]...\n"
           "Serves a 2D people-counter database as a counting device over HTTP + JSON.\n"
           "  --db FILE            database with a Records table (opened read-only)\n"
           "  --port N             port to listen on; 0 picks a free one (default 80)\n"
           "  --address ADDR       address to listen on (default 127.0.0.1)\n"
           "  --user USER          user name required by HTTP Basic authentication\n"
           "  --password-file FILE file whose first line is the password\n"
           "  --password TEXT      the password itself (for tests; visible to other users)\n"
           "  --name NAME          device name (default devsim)\n"
           "  --cameras N          camera count 1..64 (default: largest camera in the database)\n"
           "  --camera-name N=TEXT name of camera N; cameras without one report no name\n"
           "  --version            print the version and exit\n";
}

int ParseDevSimArgs(const std::vector<std::string>& args, DevSimConfig* config,
                    std::string* error) {
    DevSimConfig c;
    c.port = 80;
    bool havePassword = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& opt = args[i];
        if (opt == "--help" || opt == "-h") return 2;
        if (i + 1 >= args.size()) return *error = opt + " needs a value", 0;
        if (opt.rfind("--", 0) != 0) return *error = "unexpected argument " + opt, 0;
        const std::string& value = args[++i];
        if (opt == "--db") {
            c.dbPath = value;
        } else if (opt == "--port") {
            if (!ParseInt(value, 0, 65535, &c.port))
                return *error = "--port must be a number from 0 to 65535", 0;
        } else if (opt == "--address") {
            c.address = value;
        } else if (opt == "--user") {
            c.user = value;
        } else if (opt == "--password") {
            c.password = value;
            havePassword = true;
        } else if (opt == "--password-file") {
            if (!ReadPasswordFile(value, &c.password, error)) return 0;
            havePassword = true;
        } else if (opt == "--name") {
            c.name = value;
        } else if (opt == "--cameras") {
            if (!ParseInt(value, 1, 64, &c.cameraCount))
                return *error = "--cameras must be a number from 1 to 64", 0;
        } else if (opt == "--camera-name") {
            const auto eq = value.find('=');
            int camera = 0;
            if (eq == std::string::npos || !ParseInt(value.substr(0, eq), 1, 64, &camera))
                return *error = "--camera-name needs N=TEXT with N from 1 to 64", 0;
            c.cameraNames[camera] = value.substr(eq + 1);
        } else {
            return *error = "unknown option " + opt, 0;
        }
    }
    if (c.dbPath.empty()) return *error = "--db is required", 0;
    if (c.user.empty()) return *error = "--user is required", 0;
    if (!havePassword) return *error = "--password-file (or --password) is required", 0;
    *config = c;
    return 1;
}

}  // namespace zl
