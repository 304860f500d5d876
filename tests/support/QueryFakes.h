// The host objects a query reports through, as tests need them: a progress that counts steps
// and can stop the run, a retry question answered from a script, and a sink that keeps every
// row. Only for test programs that link the data library.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "base/SysTime.h"
#include "data/QueryHooks.h"

namespace zl::testsupport {

// Counts steps; from step `stopAt` on (0 = never) it answers false, as a user's cancel does.
class CountingProgress : public IQueryProgress {
  public:
    int steps = 0;
    int stopAt = 0;
    bool aborted = false;
    int closed = 0;
    bool Step(const char*) override {
        if (aborted) return false;
        ++steps;
        if (stopAt && steps >= stopAt) {
            aborted = true;
            return false;
        }
        return true;
    }
    void Abort() override { aborted = true; }
    bool Aborted() const override { return aborted; }
    void Close() override { ++closed; }
};

// Answers the retry question from `answers` (No once they run out) and keeps every question.
class ScriptedPrompt : public IRetryPrompt {
  public:
    ScriptedPrompt() = default;
    // Yes `yes` times, then No.
    explicit ScriptedPrompt(int yes) : answers(yes > 0 ? yes : 0, true) {}

    std::deque<bool> answers;
    std::vector<std::string> captions;
    std::vector<std::string> messages;
    // Runs at each question, before it is answered (to note what the test needs then).
    std::function<void()> onAsk;

    int Asked() const { return static_cast<int>(messages.size()); }
    std::string LastMessage() const { return messages.empty() ? std::string() : messages.back(); }

    bool AskRetry(const std::string& caption, const std::string& message) override {
        captions.push_back(caption);
        messages.push_back(message);
        if (onAsk) onAsk();
        if (answers.empty()) return false;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

struct RecordedRow {
    SYSTEMTIME from;
    SYSTEMTIME to;
    std::vector<uint32_t> values;
    int kind = 0;
    bool operator==(const RecordedRow& o) const {
        return from == o.from && to == o.to && values == o.values && kind == o.kind;
    }
};

// Keeps every row handed to it, in order.
class RowCollector : public IRowSink {
  public:
    std::vector<RecordedRow> rows;
    void AddRow(const SYSTEMTIME& from, const SYSTEMTIME& to, const uint32_t* values, int count,
                int kind) override {
        rows.push_back({from, to, std::vector<uint32_t>(values, values + count), kind});
    }
};

}  // namespace zl::testsupport
