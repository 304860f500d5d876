#include "data/TableDetect.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "recnet/RecNet.h"

namespace zl {

namespace {

bool ContainsNoCase(const std::string& text, const char* word) {
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    std::string w = word;
    std::transform(w.begin(), w.end(), w.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower.find(w) != std::string::npos;
}

struct DetectContext {
    bool peopleMode;
    int kind;
};

int OnCatalogueRow(void* context, int columnCount, char** columnTexts, char** /*names*/) {
    auto* ctx = static_cast<DetectContext*>(context);
    // The row's texts joined, each followed by a tab (one column: the table name).
    std::string row;
    for (int i = 0; i < columnCount; ++i) {
        if (columnTexts && columnTexts[i]) row += columnTexts[i];
        row += '\t';
    }
    const int kind = TableKindOfName(row.c_str(), ctx->peopleMode);
    if (kind != kTableNone) ctx->kind = kind;
    return 0;
}

}  // namespace

int TableKindOfName(const char* tableName, bool peopleMode) {
    const std::string name = tableName ? tableName : "";
    if (ContainsNoCase(name, "_3D")) return kTable3D;
    if (ContainsNoCase(name, "records"))
        return peopleMode ? kTableRecordsPeople : kTableRecordsOther;
    return kTableNone;
}

int DetectTableKind(RecNetLocal* db, bool peopleMode) {
    if (db == nullptr) return kTableNone;
    DetectContext ctx{peopleMode, kTableNone};
    if (db->Exec("select name from sqlite_master where type = 'table';", OnCatalogueRow, &ctx) == 0)
        return kTableNone;
    return ctx.kind;
}

}  // namespace zl
