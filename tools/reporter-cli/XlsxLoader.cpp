// reporter-cli's workbook writer: the module beside the program, loaded for the first
// workbook, so that other reports start without the spreadsheet and crypto libraries.
#include <mutex>
#include <string>

#include "PrivateModule.h"
#include "export/XlsxModule.h"
#include "export/XlsxReport.h"

namespace zl {

bool WriteXlsxReport(const std::string& path, const ReportDocument& report, std::string* error) {
    static std::once_flag once;
    static const ZlXlsxModuleApi* loaded = nullptr;
    static std::string problem;
    std::call_once(once, [] {
        loaded = LoadModuleApi<ZlXlsxModuleApi>(kZlXlsxModuleFile, kZlXlsxModuleEntry,
                                                kZlXlsxModuleVersion, &problem);
        if (!loaded) problem = "the workbook module " + problem;
    });
    if (loaded) return loaded->write(path, report, error);
    if (error) *error = problem;
    return false;
}

}  // namespace zl
