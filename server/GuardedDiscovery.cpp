// Camera discovery on a served database through the shared discovery cache: a kept answer is
// handed on while the file provably has not changed; otherwise the statement runs as any
// other, under every limit.
#include "GuardedDatabase.h"
#include "recnet/DiscoveryCache.h"
#include "recnet/DiscoveryExtend.h"

namespace zl::recnetd {

namespace {

class CollectSink : public RowSink {
  public:
    explicit CollectSink(zl::recnet::DiscoveryAnswer* answer) : answer_(answer) {}
    void Begin(int columns, const char* const* names) override {
        for (int i = 0; i < columns; ++i) answer_->names.emplace_back(names[i] ? names[i] : "");
    }
    bool Row(int columns, const char* const* texts, const int* lengths) override {
        auto& row = answer_->rows.emplace_back();
        for (int i = 0; i < columns; ++i) {
            if (texts[i])
                row.emplace_back(std::string(texts[i], static_cast<size_t>(lengths[i])));
            else
                row.emplace_back(std::nullopt);
        }
        return true;
    }

  private:
    zl::recnet::DiscoveryAnswer* answer_;
};

}  // namespace

RunOutcome GuardedDatabase::RunDiscovery(const std::string& sql, RowSink* sink,
                                         const std::function<bool()>& cancelled,
                                         std::string* message) {
    RunOutcome outcome = RunOutcome::Ok;
    // The helper statements of an extension run under the same limits as any other.
    const zl::recnet::TextRun text = [&](const std::string& statement,
                                         zl::recnet::DiscoveryAnswer* rows) {
        CollectSink collect(rows);
        std::string ignored;
        discovering_ = true;
        const RunOutcome helper = Run(statement, &collect, cancelled, &ignored);
        discovering_ = false;
        return helper == RunOutcome::Ok;
    };
    const zl::recnet::DiscoveryRun run = [&](zl::recnet::DiscoveryAnswer* answer) {
        CollectSink collect(answer);
        bool onlyIntegers = true;
        discovering_ = true;
        onlyIntegers_ = &onlyIntegers;
        outcome = Run(sql, &collect, cancelled, message);
        onlyIntegers_ = nullptr;
        discovering_ = false;
        if (outcome != RunOutcome::Ok) return false;
        zl::recnet::NoteDiscoveryFacts(onlyIntegers, text, sql, answer);
        return true;
    };
    const zl::recnet::OpenedFile file{realPath_, device_, inode_};
    zl::recnet::DiscoveryAnswer answer;
    if (!zl::recnet::DiscoveryCache::Shared().Answer(
            file, sql, run, &answer, nullptr, zl::recnet::MakeDiscoveryExtend(db_, sql, text)))
        return outcome;

    // The limits hold for a kept answer as for a fresh one.
    int64_t bytes = 0;
    for (const auto& row : answer.rows)
        for (const auto& value : row)
            bytes += (value ? static_cast<int64_t>(value->size()) : 0) + 1;
    if (static_cast<int64_t>(answer.rows.size()) > limits_.maxRows ||
        bytes > limits_.maxAnswerBytes) {
        *message = "the answer is larger than the limits allow";
        return RunOutcome::TooLarge;
    }
    if (!sink) return RunOutcome::Ok;
    std::vector<const char*> names, texts;
    std::vector<int> lengths;
    for (const std::string& name : answer.names) names.push_back(name.c_str());
    const int columns = static_cast<int>(names.size());
    sink->Begin(columns, names.data());
    for (const auto& row : answer.rows) {
        texts.clear();
        lengths.clear();
        for (const auto& value : row) {
            texts.push_back(value ? value->c_str() : nullptr);
            lengths.push_back(value ? static_cast<int>(value->size()) : 0);
        }
        if (static_cast<int>(texts.size()) != columns) {
            *message = "a kept answer does not fit its columns";
            return RunOutcome::Failed;
        }
        if (!sink->Row(columns, texts.data(), lengths.data())) {
            *message = "the client went away";
            return RunOutcome::Cancelled;
        }
    }
    return RunOutcome::Ok;
}

}  // namespace zl::recnetd
