// The workbook writer as a module loaded when a program first writes a workbook: the
// spreadsheet library and the crypto library it needs then cost a program start only for
// --format xlsx. The module exports one function that gives its entry point; XlsxLoader
// (reporter-cli) loads it from beside the program and defines WriteXlsxReport on it.
#pragma once

#include <string>

namespace zl {

struct ReportDocument;

struct ZlXlsxModuleApi {
    int version;
    bool (*write)(const std::string& path, const ReportDocument& report, std::string* error);
};

constexpr int kZlXlsxModuleVersion = 1;
constexpr const char* kZlXlsxModuleFile = "libzl_xlsx_module.so";
constexpr const char* kZlXlsxModuleEntry = "zl_xlsx_module_api";

extern "C" const ZlXlsxModuleApi* zl_xlsx_module_api();

}  // namespace zl
