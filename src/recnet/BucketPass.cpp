#include "recnet/BucketPass.h"

#include <strings.h>

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

#include "base/CivilDays.h"

namespace zl::recnet {

namespace {

enum TokenKind { kWord, kText, kName, kMark };

// Walks the tokens of an SQL piece: words (names, keywords, numbers), string literals,
// quoted names and single marks, each with its parenthesis depth. False for an open quote, a
// comment, a semicolon, a NUL, or parentheses that do not pair up; `each` may stop the walk
// by answering false.
template <typename Fn>
bool WalkTokens(std::string_view s, Fn each) {
    int depth = 0;
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (std::isspace(c)) {
            ++i;
            continue;
        }
        if (c == '\0' || c == ';') return false;
        if ((c == '-' && i + 1 < s.size() && s[i + 1] == '-') ||
            (c == '/' && i + 1 < s.size() && s[i + 1] == '*'))
            return false;
        if (c == '\'' || c == '"' || c == '`' || c == '[') {
            const char close = c == '[' ? ']' : static_cast<char>(c);
            size_t j = i + 1;
            for (;;) {
                if (j >= s.size()) return false;
                if (s[j] == close) {
                    if (close != ']' && j + 1 < s.size() && s[j + 1] == close) {
                        j += 2;  // a doubled quote stands for itself
                        continue;
                    }
                    break;
                }
                if (s[j] == '\0') return false;
                ++j;
            }
            if (!each(c == '\'' ? kText : kName, s.substr(i, j + 1 - i), depth)) return true;
            i = j + 1;
            continue;
        }
        if (std::isalnum(c) || c == '_' || c == '$' || c >= 0x80) {
            size_t j = i;
            while (j < s.size()) {
                const unsigned char d = static_cast<unsigned char>(s[j]);
                if (!(std::isalnum(d) || d == '_' || d == '$' || d >= 0x80 || d == '.')) break;
                ++j;
            }
            if (!each(kWord, s.substr(i, j - i), depth)) return true;
            i = j;
            continue;
        }
        if (c == ')') {
            if (--depth < 0) return false;
        }
        if (!each(kMark, s.substr(i, 1), depth)) return true;
        if (c == '(') ++depth;
        ++i;
    }
    return depth == 0;
}

bool SameWord(std::string_view a, const char* b) {
    return a.size() == std::strlen(b) && strncasecmp(a.data(), b, a.size()) == 0;
}

bool IsStatementKeyword(std::string_view w) {
    static const char* const kKeywords[] = {"SELECT", "FROM",   "WHERE",  "GROUP", "HAVING",
                                            "ORDER",  "LIMIT",  "OFFSET", "UNION", "INTERSECT",
                                            "EXCEPT", "WINDOW", "VALUES", "WITH"};
    for (const char* k : kKeywords)
        if (SameWord(w, k)) return true;
    return false;
}

bool IsBoundText(const std::string& t) {
    if (t.empty() || t.size() > 32) return false;
    for (char c : t)
        if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == ':' || c == ' '))
            return false;
    return true;
}

// "COUNT(col)" or "SUM(col)" with blanks anywhere between the tokens: the function and the
// column.
bool SplitColumnAggregate(const std::string& select, std::string* function, std::string* column) {
    std::vector<std::string_view> tokens;
    if (!WalkTokens(select, [&](TokenKind, std::string_view t, int) {
            tokens.push_back(t);
            return true;
        }))
        return false;
    if (tokens.size() != 4 || tokens[1] != "(" || tokens[3] != ")") return false;
    if (!SameWord(tokens[0], "COUNT") && !SameWord(tokens[0], "SUM")) return false;
    if (!IsPlainIdentifier(std::string(tokens[2]))) return false;
    *function = std::string(tokens[0]);
    *column = std::string(tokens[2]);
    return true;
}

// The select list of the statements (without the bucket number).
std::string ValueList(const BucketPass& q) {
    if (q.parts.size() == 1) return q.parts[0].select;
    std::string s;
    for (const BucketPart& p : q.parts) {
        std::string function, column;
        SplitColumnAggregate(p.select, &function, &column);
        if (!s.empty()) s += ", ";
        s += function + "(CASE WHEN (" + p.condition + ") THEN " + column + " END)";
    }
    return s;
}

// The condition a row must meet to count at all.
std::string RowCondition(const BucketPass& q) {
    if (q.parts.size() == 1) return q.parts[0].condition;
    std::string s;
    for (const BucketPart& p : q.parts) {
        if (!s.empty()) s += " OR ";
        s += "(" + p.condition + ")";
    }
    return s;
}

bool Less(const std::string& a, const std::string& b) {
    return a.compare(b) < 0;
}

struct Shape {
    std::string values;     // select list
    std::string condition;  // row condition
};

// Bucket number of a time: a search tree over the leaves [lo, hi] (bucket indices in time
// order). Left of a pivot go the times below its bucket's start; a leaf takes the times up to
// its bucket's end. Every comparison is one the per-bucket statements make.
void AppendTree(const BucketPass& q, const std::vector<int>& leaves, size_t lo, size_t hi,
                std::string* out) {
    const std::string& tc = q.timeColumn;
    if (lo == hi) {
        const int b = leaves[lo];
        *out +=
            "CASE WHEN " + tc + "<='" + q.buckets[b].to + "' THEN " + std::to_string(b) + " END";
        return;
    }
    const size_t mid = (lo + hi + 1) / 2;
    *out += "CASE WHEN " + tc + "<'" + q.buckets[leaves[mid]].from + "' THEN ";
    AppendTree(q, leaves, lo, mid - 1, out);
    *out += " ELSE ";
    AppendTree(q, leaves, mid, hi, out);
    *out += " END";
}

// The day number of a bound's date ("YYYY-MM-DD..."); false when it has none.
bool DayOf(const std::string& bound, int64_t* day) {
    if (bound.size() < 10 || bound[4] != '-' || bound[7] != '-') return false;
    for (size_t i : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u})
        if (!std::isdigit(static_cast<unsigned char>(bound[i]))) return false;
    const int year = std::atoi(bound.substr(0, 4).c_str());
    const int month = std::atoi(bound.substr(5, 2).c_str());
    const int date = std::atoi(bound.substr(8, 2).c_str());
    if (!IsValidDate(year, month, date)) return false;
    *day = DaysFromCivil(year, month, date);
    return true;
}

// The time condition of the leaves [lo, hi]: one span, or one per run of buckets where whole
// days lie between two runs (two periods in one pass), so a scan sends no row of the days
// between them through the tree.
std::string TimeSpans(const BucketPass& q, const std::vector<int>& leaves, size_t lo, size_t hi) {
    std::vector<std::pair<size_t, size_t>> runs{{lo, lo}};
    for (size_t k = lo + 1; k <= hi; ++k) {
        int64_t before = 0, after = 0;
        if (DayOf(q.buckets[leaves[k - 1]].to, &before) &&
            DayOf(q.buckets[leaves[k]].from, &after) && after > before + 1)
            runs.push_back({k, k});
        else
            runs.back().second = k;
    }
    std::string s;
    for (const auto& [first, last] : runs) {
        if (!s.empty()) s += " OR ";
        s += q.timeColumn + " BETWEEN '" + q.buckets[leaves[first]].from + "' AND '" +
             q.buckets[leaves[last]].to + "'";
    }
    return runs.size() == 1 ? s : "(" + s + ")";
}

std::string TreeStatement(const BucketPass& q, const Shape& shape, const std::vector<int>& leaves,
                          size_t lo, size_t hi) {
    std::string s = "SELECT ";
    AppendTree(q, leaves, lo, hi, &s);
    s += ", " + shape.values + " FROM " + q.table + " WHERE " + TimeSpans(q, leaves, lo, hi) +
         " AND (" + shape.condition + ") GROUP BY 1";
    return s;
}

bool AddTreeStatements(const BucketPass& q, const Shape& shape, const std::vector<int>& leaves,
                       size_t lo, size_t hi, const BucketLimits& limits,
                       std::vector<std::string>* out) {
    std::string s = TreeStatement(q, shape, leaves, lo, hi);
    if (s.size() <= static_cast<size_t>(limits.maxStatementBytes)) {
        out->push_back(std::move(s));
        return true;
    }
    if (lo == hi) return false;
    const size_t mid = lo + (hi - lo) / 2;
    return AddTreeStatements(q, shape, leaves, lo, mid, limits, out) &&
           AddTreeStatements(q, shape, leaves, mid + 1, hi, limits, out);
}

std::string UnionPart(const BucketPass& q, const Shape& shape, int b) {
    return "SELECT " + std::to_string(b) + ", " + shape.values + " FROM " + q.table + " WHERE (" +
           shape.condition + ") AND " + q.timeColumn + " BETWEEN '" + q.buckets[b].from +
           "' AND '" + q.buckets[b].to + "'";
}

bool ParseIndex(const char* text, size_t count, int* index) {
    if (!text || count == 0 || count > 9) return false;
    int v = 0;
    for (size_t i = 0; i < count; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
        v = v * 10 + (text[i] - '0');
    }
    *index = v;
    return true;
}

BucketRow RowOf(int first, int columns, const char* const* texts, const int* lengths) {
    BucketRow row;
    for (int i = first; i < columns; ++i) {
        BucketCell cell;
        if (texts[i]) {
            cell.null = false;
            cell.text.assign(texts[i], static_cast<size_t>(lengths[i]));
        }
        row.push_back(std::move(cell));
    }
    return row;
}

// The name of a quoted or plain name token.
std::string Unquoted(std::string_view t) {
    if (t.size() >= 2 && (t.front() == '"' || t.front() == '`' || t.front() == '[')) {
        const char close = t.front() == '[' ? ']' : t.front();
        std::string s;
        for (size_t i = 1; i + 1 < t.size(); ++i) {
            s += t[i];
            if (t[i] == close && close != ']' && i + 2 < t.size() && t[i + 1] == close) ++i;
        }
        return s;
    }
    return std::string(t);
}

}  // namespace

bool IsPlainIdentifier(const std::string& text) {
    if (text.empty() || text.size() > 128) return false;
    if (!(std::isalpha(static_cast<unsigned char>(text[0])) || text[0] == '_')) return false;
    for (char c : text)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) return false;
    return true;
}

bool IsSqlPiece(const std::string& text, bool list) {
    bool any = false;
    bool ok = true;
    const bool walked = WalkTokens(text, [&](TokenKind kind, std::string_view t, int depth) {
        any = true;
        if (depth == 0 && kind == kWord && IsStatementKeyword(t)) ok = false;
        if (depth == 0 && kind == kMark && t == "," && !list) ok = false;
        return ok;
    });
    return walked && ok && any;
}

bool HasOrOutsideParentheses(const std::string& text) {
    bool found = false;
    const bool walked = WalkTokens(text, [&](TokenKind kind, std::string_view t, int depth) {
        if (depth == 0 && kind == kWord && SameWord(t, "OR")) found = true;
        return !found;
    });
    return found || !walked;
}

bool CheckBucketPass(const BucketPass& q, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    if (!IsPlainIdentifier(q.table)) return fail("the table is no plain name");
    if (!IsPlainIdentifier(q.timeColumn)) return fail("the time column is no plain name");
    if (q.parts.empty() || q.parts.size() > static_cast<size_t>(kMaxBucketParts))
        return fail("1 to " + std::to_string(kMaxBucketParts) + " parts are needed");
    if (q.buckets.empty() || q.buckets.size() > static_cast<size_t>(kMaxBucketCount))
        return fail("1 to " + std::to_string(kMaxBucketCount) + " buckets are needed");
    for (const BucketSpan& b : q.buckets)
        if (!IsBoundText(b.from) || !IsBoundText(b.to)) return fail("a bucket bound is no time");
    for (const BucketPart& p : q.parts) {
        if (p.select.size() > static_cast<size_t>(kMaxBucketPieceBytes) ||
            p.condition.size() > static_cast<size_t>(kMaxBucketPieceBytes))
            return fail("a piece is too long");
        if (!IsSqlPiece(p.condition, false)) return fail("a condition is no single expression");
        if (q.parts.size() == 1) {
            if (!IsSqlPiece(p.select, true)) return fail("the select list is no list");
        } else {
            std::string function, column;
            if (!SplitColumnAggregate(p.select, &function, &column))
                return fail("a part of several selects no COUNT(column) or SUM(column)");
        }
    }
    return true;
}

std::string EmptyBucketStatement(const BucketPass& q) {
    return "SELECT " + ValueList(q) + " FROM " + q.table + " WHERE 0";
}

std::string IndexListStatement(const BucketPass& q) {
    return "SELECT sql FROM sqlite_master WHERE type='index' AND tbl_name='" + q.table +
           "' COLLATE NOCASE";
}

bool IndexLeadsWithColumn(const std::string& createIndexSql, const std::string& column) {
    std::vector<std::pair<std::string_view, int>> tokens;
    if (!WalkTokens(createIndexSql, [&](TokenKind, std::string_view t, int depth) {
            tokens.emplace_back(t, depth);
            return true;
        }))
        return false;
    size_t i = 0;
    while (i < tokens.size() && !(tokens[i].second == 0 && SameWord(tokens[i].first, "ON"))) ++i;
    i += 2;  // ON and the table name
    if (i >= tokens.size() || tokens[i].first != "(") return false;
    ++i;
    if (i >= tokens.size()) return false;
    // The first term: a name, then at most COLLATE x and ASC/DESC.
    const std::string first = Unquoted(tokens[i].first);
    if (strcasecmp(first.c_str(), column.c_str()) != 0) return false;
    ++i;
    if (i < tokens.size() && tokens[i].first != "," && tokens[i].first != ")" &&
        !SameWord(tokens[i].first, "COLLATE") && !SameWord(tokens[i].first, "ASC") &&
        !SameWord(tokens[i].first, "DESC"))
        return false;  // an expression, not the column itself
    for (; i < tokens.size(); ++i)
        if (tokens[i].second == 0 && SameWord(tokens[i].first, "WHERE")) return false;
    return true;
}

bool BuildBucketPassStatements(const BucketPass& q, bool indexed, const BucketLimits& limits,
                               std::vector<std::string>* statements) {
    statements->clear();
    const Shape shape{ValueList(q), RowCondition(q)};
    // Buckets that end before they start hold no row; they get the empty answer.
    std::vector<int> leaves;
    for (size_t b = 0; b < q.buckets.size(); ++b)
        if (!Less(q.buckets[b].to, q.buckets[b].from)) leaves.push_back(static_cast<int>(b));
    if (leaves.empty()) return true;
    bool ordered = true;
    for (size_t k = 1; k < leaves.size(); ++k)
        if (!Less(q.buckets[leaves[k - 1]].to, q.buckets[leaves[k]].from)) ordered = false;

    if (!indexed && ordered)
        return AddTreeStatements(q, shape, leaves, 0, leaves.size() - 1, limits, statements);

    // One SELECT per bucket, joined.
    std::string current;
    int joined = 0;
    for (int b : leaves) {
        std::string part = UnionPart(q, shape, b);
        if (part.size() > static_cast<size_t>(limits.maxStatementBytes)) return false;
        if (joined > 0 &&
            (joined >= limits.maxCompound ||
             current.size() + 11 + part.size() > static_cast<size_t>(limits.maxStatementBytes))) {
            statements->push_back(std::move(current));
            current.clear();
            joined = 0;
        }
        if (joined > 0) current += " UNION ALL ";
        current += part;
        ++joined;
    }
    if (joined > 0) statements->push_back(std::move(current));
    return true;
}

BucketPassResult RunBucketPass(const BucketPass& q, const BucketLimits& limits,
                               const BucketStatementRunner& run, BucketRows* rows,
                               std::string* error, std::string* lastStatement) {
    std::string why;
    rows->clear();
    if (!CheckBucketPass(q, &why)) {
        if (error) *error = why;
        return BucketPassResult::kUnusable;
    }
    // The answer of an empty bucket; an aggregate gives exactly one row.
    std::vector<BucketRow> empty;
    std::string sql = EmptyBucketStatement(q);
    if (lastStatement) *lastStatement = sql;
    if (!run(
            sql,
            [&](int columns, const char* const* texts, const int* lengths) {
                empty.push_back(RowOf(0, columns, texts, lengths));
            },
            &why)) {
        if (error) *error = why;
        return BucketPassResult::kFailed;
    }
    if (empty.size() != 1 || empty[0].empty()) {
        if (error) *error = "the select list is no aggregate";
        return BucketPassResult::kUnusable;
    }
    const size_t width = empty[0].size();

    bool indexed = false;
    sql = IndexListStatement(q);
    if (lastStatement) *lastStatement = sql;
    if (!run(
            sql,
            [&](int columns, const char* const* texts, const int* lengths) {
                if (columns >= 1 && texts[0] &&
                    IndexLeadsWithColumn(std::string(texts[0], static_cast<size_t>(lengths[0])),
                                         q.timeColumn))
                    indexed = true;
            },
            &why)) {
        if (error) *error = why;
        return BucketPassResult::kFailed;
    }

    std::vector<std::string> statements;
    if (!BuildBucketPassStatements(q, indexed, limits, &statements)) {
        if (error) *error = "a bucket does not fit into one statement";
        return BucketPassResult::kUnusable;
    }
    std::vector<BucketRow> found(q.buckets.size());
    std::vector<bool> have(q.buckets.size(), false);
    bool misfit = false;
    for (const std::string& statement : statements) {
        if (lastStatement) *lastStatement = statement;
        const bool ran = run(
            statement,
            [&](int columns, const char* const* texts, const int* lengths) {
                int b = -1;
                if (!texts[0]) return;  // times between the buckets
                if (static_cast<size_t>(columns) != width + 1 ||
                    !ParseIndex(texts[0], static_cast<size_t>(lengths[0]), &b) ||
                    b >= static_cast<int>(found.size()) || have[b]) {
                    misfit = true;
                    return;
                }
                found[b] = RowOf(1, columns, texts, lengths);
                have[b] = true;
            },
            &why);
        if (!ran) {
            if (error) *error = why;
            return BucketPassResult::kFailed;
        }
        if (misfit) {
            if (error) *error = "a row that belongs to no bucket";
            return BucketPassResult::kFailed;
        }
    }
    for (size_t b = 0; b < found.size(); ++b)
        if (!have[b]) found[b] = empty[0];
    *rows = std::move(found);
    return BucketPassResult::kDone;
}

}  // namespace zl::recnet
