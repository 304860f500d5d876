#include "ui/sitetree/CSiteTreeData.h"

#include <atomic>
#include <utility>

namespace zl {

namespace {
std::atomic<int> g_live{0};
}

CSiteTreeData::CSiteTreeData() {
    ++g_live;
}

CSiteTreeData::CSiteTreeData(int v, std::string t) : value(v), text(std::move(t)) {
    ++g_live;
}

CSiteTreeData::CSiteTreeData(const CSiteTreeData& other) : value(other.value), text(other.text) {
    ++g_live;
}

CSiteTreeData& CSiteTreeData::operator=(const CSiteTreeData& other) = default;

CSiteTreeData::~CSiteTreeData() {
    --g_live;
}

int CSiteTreeData::LiveCount() {
    return g_live.load();
}

}  // namespace zl
