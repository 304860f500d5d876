#include "BoundedFunctions.h"

#include <sqlite3.h>

#include <cstring>
#include <string>
#include <vector>

namespace zl::recnetd {

namespace {

// Units of work (bytes compared or copied) between two looks at the deadline: a few tens of
// microseconds.
constexpr int64_t kWorkBetweenChecks = 1 << 16;

// Counts work and asks the statement whether to go on.
class Budget {
  public:
    explicit Budget(sqlite3_context* context)
        : stop_(static_cast<StopCheck*>(sqlite3_user_data(context))) {}

    // False when the statement must stop.
    bool Spend(int64_t units) {
        work_ += units;
        if (work_ < kWorkBetweenChecks) return true;
        work_ = 0;
        return !(stop_ && stop_->ShouldStop());
    }

  private:
    StopCheck* stop_;
    int64_t work_ = 0;
};

void Interrupted(sqlite3_context* context) {
    sqlite3_result_error(context, "interrupted", -1);
    sqlite3_result_error_code(context, SQLITE_INTERRUPT);
}

// The byte length of the UTF-8 character at p, as SQLite counts it: a lead byte of 0xc0 or
// more takes all continuation bytes that follow.
size_t CharLength(const unsigned char* p, const unsigned char* end) {
    const unsigned char* q = p + 1;
    if (*p >= 0xc0) {
        while (q < end && (*q & 0xc0) == 0x80) ++q;
    }
    return static_cast<size_t>(q - p);
}

enum TrimSide { kLeft = 1, kRight = 2 };

// trim(X, Y), ltrim(X, Y), rtrim(X, Y): removes from the chosen ends of X every character
// found in Y, trying Y's characters in order as the built-in does.
void TrimFunction(sqlite3_context* context, int side, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return;
    const unsigned char* in = sqlite3_value_text(argv[0]);
    if (!in) return;
    size_t inLength = static_cast<size_t>(sqlite3_value_bytes(argv[0]));
    const unsigned char* set = sqlite3_value_text(argv[1]);
    if (!set) return;
    // The set ends at its first NUL, as in the built-in.
    const unsigned char* setEnd = set + std::strlen(reinterpret_cast<const char*>(set));
    struct Char {
        const unsigned char* bytes;
        size_t length;
    };
    std::vector<Char> chars;
    for (const unsigned char* p = set; p < setEnd;) {
        const size_t length = CharLength(p, setEnd);
        chars.push_back({p, length});
        p += length;
    }
    Budget budget(context);
    // Answers the length of the first character of the set that matches at the front (or the
    // back) of the remaining text; 0 for none. -1 when stopped.
    const auto match = [&](bool atEnd) -> int64_t {
        for (const Char& c : chars) {
            if (!budget.Spend(static_cast<int64_t>(c.length) + 1)) return -1;
            if (c.length > inLength) continue;
            const unsigned char* at = atEnd ? in + inLength - c.length : in;
            if (std::memcmp(at, c.bytes, c.length) == 0) return static_cast<int64_t>(c.length);
        }
        return 0;
    };
    if (side & kLeft) {
        while (inLength > 0) {
            const int64_t length = match(false);
            if (length < 0) return Interrupted(context);
            if (length == 0) break;
            in += length;
            inLength -= static_cast<size_t>(length);
        }
    }
    if (side & kRight) {
        while (inLength > 0) {
            const int64_t length = match(true);
            if (length < 0) return Interrupted(context);
            if (length == 0) break;
            inLength -= static_cast<size_t>(length);
        }
    }
    sqlite3_result_text(context, reinterpret_cast<const char*>(in), static_cast<int>(inLength),
                        SQLITE_TRANSIENT);
}

void Trim(sqlite3_context* context, int, sqlite3_value** argv) {
    TrimFunction(context, kLeft | kRight, argv);
}
void LeftTrim(sqlite3_context* context, int, sqlite3_value** argv) {
    TrimFunction(context, kLeft, argv);
}
void RightTrim(sqlite3_context* context, int, sqlite3_value** argv) {
    TrimFunction(context, kRight, argv);
}

// replace(X, Y, Z): every occurrence of Y in X, left to right and not overlapping, becomes Z.
// An empty Y answers X; a NULL anywhere answers NULL.
void Replace(sqlite3_context* context, int, sqlite3_value** argv) {
    const unsigned char* text = sqlite3_value_text(argv[0]);
    if (!text) return;
    const size_t textLength = static_cast<size_t>(sqlite3_value_bytes(argv[0]));
    const unsigned char* pattern = sqlite3_value_text(argv[1]);
    if (!pattern) return;
    if (pattern[0] == 0) {
        sqlite3_result_text(context, reinterpret_cast<const char*>(text),
                            static_cast<int>(textLength), SQLITE_TRANSIENT);
        return;
    }
    const size_t patternLength = static_cast<size_t>(sqlite3_value_bytes(argv[1]));
    const unsigned char* with = sqlite3_value_text(argv[2]);
    if (!with) return;
    const size_t withLength = static_cast<size_t>(sqlite3_value_bytes(argv[2]));
    const size_t maxLength = static_cast<size_t>(
        sqlite3_limit(sqlite3_context_db_handle(context), SQLITE_LIMIT_LENGTH, -1));
    Budget budget(context);
    std::string out;
    size_t i = 0;
    while (i < textLength) {
        if (textLength - i >= patternLength && text[i] == pattern[0]) {
            if (!budget.Spend(static_cast<int64_t>(patternLength))) return Interrupted(context);
            if (std::memcmp(text + i, pattern, patternLength) == 0) {
                out.append(reinterpret_cast<const char*>(with), withLength);
                i += patternLength;
                if (!budget.Spend(static_cast<int64_t>(withLength))) return Interrupted(context);
                if (out.size() > maxLength) return sqlite3_result_error_toobig(context);
                continue;
            }
        } else if (!budget.Spend(1)) {
            return Interrupted(context);
        }
        out.push_back(static_cast<char>(text[i]));
        ++i;
    }
    if (out.size() > maxLength) return sqlite3_result_error_toobig(context);
    sqlite3_result_text64(context, out.data(), out.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

}  // namespace

bool RegisterBoundedFunctions(sqlite3* db, StopCheck* stop) {
    struct Function {
        const char* name;
        int arguments;
        void (*call)(sqlite3_context*, int, sqlite3_value**);
    };
    const Function functions[] = {
        {"trim", 2, &Trim},
        {"ltrim", 2, &LeftTrim},
        {"rtrim", 2, &RightTrim},
        {"replace", 3, &Replace},
    };
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    for (const Function& f : functions) {
        if (sqlite3_create_function_v2(db, f.name, f.arguments, flags, stop, f.call, nullptr,
                                       nullptr, nullptr) != SQLITE_OK) {
            return false;
        }
    }
    return true;
}

}  // namespace zl::recnetd
