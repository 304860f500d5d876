// The entry point of the loadable workbook module.
#include "export/XlsxModule.h"

#include "export/XlsxReport.h"

namespace zl {

extern "C" __attribute__((visibility("default"))) const ZlXlsxModuleApi* zl_xlsx_module_api() {
    static const ZlXlsxModuleApi api{kZlXlsxModuleVersion, &WriteXlsxReport};
    return &api;
}

}  // namespace zl
