#include "data/SinglePass.h"

#include <cctype>

#include "data/QueryExec.h"
#include "data/SqlText.h"
#include "recnet/RecNet.h"
#include "store/SiteRecord.h"

namespace {

using zl::recnet::BucketPart;
using zl::recnet::BucketQuery;
using zl::recnet::BucketRows;

bool EndsWith(const std::string& s, const std::string& end) {
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

bool IsNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

struct TextPieces {
    std::string select, table, condition, timeColumn;
};

// "SELECT <select> from <table> where <condition> AND <time> BETWEEN '<from>' AND '<to>';"
bool SplitText(const std::string& text, const std::string& from, const std::string& to,
               TextPieces* out) {
    const std::string tail = " BETWEEN '" + from + "' AND '" + to + "';";
    if (!EndsWith(text, tail)) return false;
    size_t end = text.size() - tail.size();
    size_t start = end;
    while (start > 0 && IsNameChar(text[start - 1])) --start;
    if (start == end || start < 5 || text.compare(start - 5, 5, " AND ") != 0) return false;
    out->timeColumn = text.substr(start, end - start);
    const std::string head = text.substr(0, start - 5);
    if (head.compare(0, 7, "SELECT ") != 0) return false;
    const size_t from_ = head.find(" from ", 7);
    if (from_ == std::string::npos) return false;
    out->select = head.substr(7, from_ - 7);
    const size_t tableAt = from_ + 6;
    const size_t where = head.find(" where ", tableAt);
    if (where == std::string::npos) return false;
    out->table = head.substr(tableAt, where - tableAt);
    out->condition = head.substr(where + 7);
    return true;
}

bool SamePieces(const TextPieces& a, const TextPieces& b) {
    return a.select == b.select && a.table == b.table && a.condition == b.condition &&
           a.timeColumn == b.timeColumn;
}

RecNetClient* FamilyClientOf(const SiteRecord& site, QueryFamily family) {
    switch (family) {
        case kFamily2D:
            return site.client2D;
        case kFamily3D:
            return site.client3D;
        case kFamilyGeneric:
            break;
    }
    return site.clientOther;
}

int CellToInt(const zl::recnet::BucketCell& cell) {
    return cell.null ? 0 : SqlColumnToInt(cell.text.c_str());
}

// The row of one bucket as the per-bucket run hands it on (see RunBucket): the columns of the
// one text, or the first column of each text of the group.
void Deliver(const QueryPlan& plan, const PlannedBucket& bucket, const zl::recnet::BucketRow& row,
             const QueryHooks& hooks) {
    if (!hooks.sink) return;
    uint32_t values[10] = {};
    if (plan.shape == kRowFromColumns) {
        if (row.empty() || CellToInt(row[0]) < 0) return;
        const int columns = static_cast<int>(row.size() < 10 ? row.size() : 10);
        for (int i = 0; i < columns; ++i) values[i] = static_cast<uint32_t>(CellToInt(row[i]));
        const int count = plan.fixedCount > 0 ? plan.fixedCount : columns;
        hooks.sink->AddRow(bucket.from, bucket.to, values, count, plan.kind);
        return;
    }
    for (size_t j = 0; j < row.size() && j < 10; ++j) {
        const int v = CellToInt(row[j]);
        if (v >= 0) values[j] = static_cast<uint32_t>(v);
    }
    hooks.sink->AddRow(bucket.from, bucket.to, values, static_cast<int>(row.size()), plan.kind);
}

}  // namespace

bool BucketQueryOfPlan(const QueryPlan& plan, BucketQuery* query) {
    *query = BucketQuery();
    if (plan.buckets.empty()) return false;
    const size_t texts = plan.buckets.front().sql.size();
    if (texts == 0 || texts > 10) return false;
    if (plan.shape == kRowFromColumns && texts != 1) return false;
    std::vector<TextPieces> pieces(texts);
    for (size_t b = 0; b < plan.buckets.size(); ++b) {
        const PlannedBucket& bucket = plan.buckets[b];
        if (bucket.sql.size() != texts) return false;
        const std::string from = SqlTimeText(bucket.from);
        const std::string to = SqlTimeText(bucket.to);
        for (size_t j = 0; j < texts; ++j) {
            TextPieces p;
            if (!SplitText(bucket.sql[j], from, to, &p)) return false;
            if (b == 0) {
                pieces[j] = p;
            } else if (!SamePieces(p, pieces[j])) {
                return false;
            }
        }
        query->buckets.push_back({from, to});
    }
    query->table = pieces[0].table;
    query->timeColumn = pieces[0].timeColumn;
    for (const TextPieces& p : pieces) {
        if (p.table != query->table || p.timeColumn != query->timeColumn) return false;
        // "<condition> AND <time> BETWEEN ..." must mean "(<condition>) AND ...".
        if (zl::recnet::HasOrOutsideParentheses(p.condition)) return false;
        query->parts.push_back(BucketPart{p.select, p.condition});
    }
    return zl::recnet::CheckBucketQuery(*query, nullptr);
}

RecNetSinglePass* SinglePassHandle(const SiteRecord& site, QueryFamily family) {
    if (RecNetClient* client = FamilyClientOf(site, family))
        return dynamic_cast<RecNetSinglePass*>(client);
    if (site.localDb) return dynamic_cast<RecNetSinglePass*>(site.localDb);
    return nullptr;
}

int RunPlanSinglePass(const SiteRecord& site, const QueryPlan& plan, const QueryHooks& hooks) {
    RecNetSinglePass* handle = SinglePassHandle(site, plan.family);
    if (!handle) return kSinglePassUnusable;
    BucketQuery query;
    if (!BucketQueryOfPlan(plan, &query)) return kSinglePassUnusable;
    IQueryProgress* progress = hooks.progress;
    const std::function<bool()> cancelled = [progress] {
        return progress != nullptr && progress->Aborted();
    };
    BucketRows rows;
    std::string statement;
    // A pass that failed (time limit, lost connection, a wrong answer) is a failure of the
    // query: the same attempts and question as a statement, never the per-bucket statements.
    const int ran = RetryAttempts(site, hooks, [&]() -> int {
        rows.clear();
        if (RecNetClient* client = FamilyClientOf(site, plan.family))
            if (!EnsureSession(client, site)) return 0;
        const int result = handle->ExecBuckets(query, cancelled, &rows, &statement);
        if (result == 1 && rows.size() != plan.buckets.size()) return 0;
        return result;
    });
    if (progress && progress->Aborted()) return 0;
    if (ran != 1) return ran == kSinglePassUnusable ? kSinglePassUnusable : 0;
    if (hooks.lastSql) *hooks.lastSql = statement;
    for (size_t b = 0; b < plan.buckets.size(); ++b) {
        Deliver(plan, plan.buckets[b], rows[b], hooks);
        if (plan.buckets[b].stepAfter && progress && !progress->Step()) return 0;
    }
    return 1;
}
