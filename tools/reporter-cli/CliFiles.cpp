#include "CliFiles.h"

namespace zl {

std::string CliFileLocationsFor(const zl::LocationFacts& facts) {
    const zl::FileLocations where = zl::ResolveFileLocations(facts);
    std::string text = "\nfiles (unless --settings or --lang name others):\n";
    text += "  settings  " + where.settingsFolder + "Setting .ini\n";
    text += "  language  " + where.dataFolder + "LANG/ (the file the settings choose)\n";
    if (where.portable) {
        text += "The program folder " + facts.programFolder +
                " can be written, so it holds both (a portable copy).\n";
    } else {
        text += "The program folder " + facts.programFolder +
                " is an installed one: the settings live in $XDG_CONFIG_HOME/zelkoReporter/\n"
                "(~/.config/zelkoReporter/ when unset), the language files in " +
                facts.installedDataFolder + "LANG/.\n";
    }
    return text;
}

std::string CliFileLocations() {
    return CliFileLocationsFor(zl::CurrentLocationFacts());
}

}  // namespace zl
