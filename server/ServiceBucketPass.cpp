// ExecBuckets, the bucket pass: a whole report in one request. The statements are built here from
// checked pieces (recnet/BucketPass.h) and each one runs through the same guarded database as Exec:
// its authorizer, time limit, row and byte limits and the statement gate.
#include <mutex>

#include "RecNetService.h"
#include "recnet/BucketPass.h"

namespace zl::recnetd {

namespace {

// Hands the rows of one statement to the bucket pass.
class ForwardSink : public RowSink {
  public:
    explicit ForwardSink(const zl::recnet::BucketRowFn& row) : row_(row) {}
    void Begin(int, const char* const*) override {}
    bool Row(int columns, const char* const* texts, const int* lengths) override {
        row_(columns, texts, lengths);
        return true;
    }

  private:
    const zl::recnet::BucketRowFn& row_;
};

}  // namespace

grpc::Status RecNetService::ExecBuckets(grpc::ServerContext* context,
                                        const v1::ExecBucketsRequest* request,
                                        v1::ExecBucketsReply* reply) {
    grpc::Status status;
    auto session = SessionOf(context, &status);
    if (!session) return status;

    zl::recnet::BucketPass query;
    query.table = request->table();
    query.timeColumn = request->time_column();
    if (request->parts_size() > zl::recnet::kMaxBucketParts ||
        request->buckets_size() > zl::recnet::kMaxBucketCount)
        return {grpc::StatusCode::INVALID_ARGUMENT, "too many parts or buckets"};
    for (const v1::BucketPart& p : request->parts())
        query.parts.push_back({p.select(), p.condition()});
    for (const v1::Bucket& b : request->buckets()) query.buckets.push_back({b.from(), b.to()});
    std::string why;
    if (!zl::recnet::CheckBucketPass(query, &why)) {
        parts_.log->Warn("bucket query of '" + session->user + "' refused: " + why);
        return {grpc::StatusCode::INVALID_ARGUMENT, "bucket query refused: " + why};
    }

    SessionCall call(*session, parts_.sessions);
    if (!call.Taken()) return SessionBusy(*session, "bucket query");
    const Limits& limits = parts_.config->limits;
    zl::recnet::BucketLimits built;
    built.maxStatementBytes = limits.maxSqlBytes;
    grpc::Status failure;
    const zl::recnet::BucketStatementRunner run =
        [&](const std::string& sql, const zl::recnet::BucketRowFn& row, std::string* error) {
            ForwardSink sink(row);
            failure = RunGuarded(context, *session, sql, &sink, "bucket statement");
            if (!failure.ok()) *error = failure.error_message();
            return failure.ok();
        };
    zl::recnet::BucketRows rows;
    std::string last;
    const zl::recnet::BucketPassResult result =
        zl::recnet::RunBucketPass(query, built, run, &rows, &why, &last);
    if (result == zl::recnet::BucketPassResult::kFailed) {
        if (!failure.ok()) return failure;
        parts_.log->Warn("bucket query of '" + session->user + "' failed: " + why);
        return {grpc::StatusCode::INTERNAL, why};
    }
    if (result == zl::recnet::BucketPassResult::kUnusable)
        return {grpc::StatusCode::FAILED_PRECONDITION, "no one-pass answer: " + why};
    for (const zl::recnet::BucketRow& row : rows) {
        v1::Row* out = reply->add_rows();
        for (const zl::recnet::BucketCell& cell : row) {
            v1::Cell* c = out->add_cells();
            if (cell.null) {
                c->set_is_null(true);
            } else {
                c->set_text(cell.text);
            }
        }
    }
    reply->set_statement(last);
    return grpc::Status::OK;
}

}  // namespace zl::recnetd
