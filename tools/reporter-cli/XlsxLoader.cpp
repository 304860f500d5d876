// reporter-cli's workbook writer: the module beside the program, loaded for the first
// workbook, so that other reports start without the spreadsheet and crypto libraries.
#include "PrivateModule.h"
#include "export/XlsxModule.h"
#include "export/XlsxReport.h"

namespace zl {

namespace {

LazyModule<ZlXlsxModuleApi> module("the workbook module", kZlXlsxModuleFile, kZlXlsxModuleEntry,
                                   kZlXlsxModuleVersion);

}  // namespace

bool WriteXlsxReport(const std::string& path, const ReportDocument& report, std::string* error) {
    if (const ZlXlsxModuleApi* api = module.Get()) return api->write(path, report, error);
    if (error) *error = module.Problem();
    return false;
}

}  // namespace zl
