// countgen: writes sample counting databases; see countgen --help.
#include <cstdio>

#include "CountGen.h"
#include "CountGenOptions.h"
#include "base/Version.h"

namespace zl {

int Main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (zl::AsksForVersion(args)) {
        std::fputs(zl::VersionText("countgen").c_str(), stdout);
        return 0;
    }
    CountGenOptions options;
    bool quiet = false;
    std::string error;
    const int parsed = ParseCountGenArgs(args, &options, &quiet, &error);
    if (parsed == 2) {
        std::fputs(CountGenUsage(), stdout);
        return 0;
    }
    if (parsed == 0) {
        std::fprintf(stderr, "countgen: %s (see countgen --help)\n", error.c_str());
        return 2;
    }
    std::vector<GeneratedFile> files;
    const int ok = GenerateDatabases(options, &files, &error);
    if (!quiet)
        for (const GeneratedFile& f : files)
            std::printf("%s: %lld rows (%.2f s)\n", f.path.c_str(), static_cast<long long>(f.rows),
                        f.seconds);
    if (!ok) {
        std::fprintf(stderr, "countgen: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace zl

int main(int argc, char** argv) {
    return zl::Main(argc, argv);
}
