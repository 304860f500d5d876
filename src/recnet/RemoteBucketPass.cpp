// The remote client's bucket pass: one ExecBuckets request. The call runs on a completion
// queue so that the caller's cancel flag can be watched while the server works; a cancel
// cancels the call, and the server stops its statement.
#include <grpcpp/grpcpp.h>

#include <chrono>

#include "recnet/RemoteClient.h"
#include "recnet/proto/recnet.grpc.pb.h"

namespace zl {

namespace v1 = zl::recnet::v1;

namespace recnet {

namespace {

constexpr int kBucketsDeadlineMs = 120000;
constexpr int kCancelPollMs = 50;

}  // namespace

BucketPassResult RemoteClient::ExecBucketPass(const BucketPass& query,
                                              const std::function<bool()>& cancelled,
                                              BucketRows* rows, std::string* statement) {
    if (!rows) return BucketPassResult::kFailed;
    rows->clear();
    if (channel_ && !noBucketsChannel_.expired() && noBucketsChannel_.lock() == channel_) {
        lastError_ = "the server has no ExecBuckets";
        return BucketPassResult::kUnusable;
    }
    grpc::ClientContext context;
    if (!Prepare(&context, kBucketsDeadlineMs)) return BucketPassResult::kFailed;

    v1::ExecBucketsRequest request;
    request.set_table(query.table);
    request.set_time_column(query.timeColumn);
    for (const BucketPart& p : query.parts) {
        v1::BucketPart* part = request.add_parts();
        part->set_select(p.select);
        part->set_condition(p.condition);
    }
    for (const BucketSpan& b : query.buckets) {
        v1::Bucket* bucket = request.add_buckets();
        bucket->set_from(b.from);
        bucket->set_to(b.to);
    }

    const std::unique_ptr<v1::RecordDatabase::Stub> stub = v1::RecordDatabase::NewStub(channel_);
    grpc::CompletionQueue queue;
    v1::ExecBucketsReply reply;
    grpc::Status status;
    auto call = stub->AsyncExecBuckets(&context, request, &queue);
    call->Finish(&reply, &status, reinterpret_cast<void*>(1));
    bool cancelSent = false;
    for (;;) {
        void* tag = nullptr;
        bool ok = false;
        const auto next = queue.AsyncNext(
            &tag, &ok, std::chrono::system_clock::now() + std::chrono::milliseconds(kCancelPollMs));
        if (next == grpc::CompletionQueue::GOT_EVENT) break;
        if (next == grpc::CompletionQueue::SHUTDOWN) break;
        if (!cancelSent && cancelled && cancelled()) {
            context.TryCancel();
            cancelSent = true;
        }
    }
    queue.Shutdown();
    void* tag = nullptr;
    bool ok = false;
    while (queue.Next(&tag, &ok)) {
    }

    if (status.error_code() == grpc::StatusCode::UNIMPLEMENTED) {
        noBucketsChannel_ = channel_;
        lastError_ = "the server has no ExecBuckets";
        return BucketPassResult::kUnusable;
    }
    if (!status.ok()) {
        lastError_ = cancelSent ? "cancelled" : status.error_message();
        // A query the server cannot answer this way is not a failure of the connection.
        return status.error_code() == grpc::StatusCode::FAILED_PRECONDITION
                   ? BucketPassResult::kUnusable
                   : BucketPassResult::kFailed;
    }
    if (reply.rows_size() != static_cast<int>(query.buckets.size())) {
        lastError_ = "the answer has not one row per bucket";
        return BucketPassResult::kFailed;
    }
    for (const v1::Row& row : reply.rows()) {
        BucketRow cells;
        for (const v1::Cell& cell : row.cells()) {
            BucketCell c;
            c.null = cell.is_null();
            if (!c.null) c.text = cell.text();
            cells.push_back(std::move(c));
        }
        rows->push_back(std::move(cells));
    }
    if (statement) *statement = reply.statement();
    return BucketPassResult::kDone;
}

}  // namespace recnet

}  // namespace zl
