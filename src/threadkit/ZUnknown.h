// A reference-counted base in the COM style. The count starts at 0; the object deletes itself
// through its virtual destructor when Release takes the count below 1, so it must live on the
// heap.
#pragma once

#include <atomic>
#include <cstdint>

#include "threadkit/ZResult.h"

namespace zl {

struct ZGuid {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
};
bool operator==(const ZGuid& a, const ZGuid& b);

// {00000000-0000-0000-C000-000000000046}
extern const ZGuid IID_IUnknown;

class ZUnknown {
  public:
    ZUnknown() = default;
    // Copies carry the count along, as the original class does.
    ZUnknown(const ZUnknown& other) : refs_(other.refs_.load()) {}
    ZUnknown& operator=(const ZUnknown& other) {
        refs_ = other.refs_.load();
        return *this;
    }
    virtual ~ZUnknown() = default;

    // Only IID_IUnknown: writes this object (without adding a reference) and returns kS_OK;
    // anything else writes null and returns kE_NOINTERFACE. A null `object` gives kE_POINTER.
    virtual HResult QueryInterface(const ZGuid& iid, void** object);
    virtual uint32_t AddRef();
    // Returns the new count, or 0 after the object has deleted itself.
    virtual uint32_t Release();

    long RefCount() const { return refs_.load(); }

  private:
    std::atomic<long> refs_{0};
};

}  // namespace zl
