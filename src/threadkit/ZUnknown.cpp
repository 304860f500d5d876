#include "threadkit/ZUnknown.h"

#include <cstring>

namespace zl {

const ZGuid IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

bool operator==(const ZGuid& a, const ZGuid& b) {
    return a.data1 == b.data1 && a.data2 == b.data2 && a.data3 == b.data3 &&
           std::memcmp(a.data4, b.data4, sizeof a.data4) == 0;
}

HResult ZUnknown::QueryInterface(const ZGuid& iid, void** object) {
    if (!object) return kE_POINTER;
    if (iid == IID_IUnknown) {
        *object = this;
        return kS_OK;
    }
    *object = nullptr;
    return kE_NOINTERFACE;
}

uint32_t ZUnknown::AddRef() {
    return static_cast<uint32_t>(++refs_);
}

uint32_t ZUnknown::Release() {
    const long n = --refs_;
    if (n < 1) {
        delete this;
        return 0;
    }
    return static_cast<uint32_t>(n);
}

}  // namespace zl
