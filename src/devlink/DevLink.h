// The device link: talks to a counting device (or devsim) over HTTP + JSON.
// Results are ints: 1 success, 0 failure.
#pragma once

namespace zl {

class DevLink {
  public:
    virtual ~DevLink() = default;
    virtual int Connect(const char* address, int port, const char* user, const char* password,
                        int timeOutMs) = 0;
    virtual int GetDeviceName(char* buffer, int size) = 0;
    virtual int GetCameraCount(int* count) = 0;
    virtual int GetCameraName(int camera, char* buffer, int size) = 0;
    // In and out counts of a camera (from 1) between two OLE date-times, both inclusive.
    virtual int GetCounts(int camera, double from, double to, int* in, int* out) = 0;
};

DevLink* CreateDevLink();
void DestroyDevLink(DevLink** handle);

}  // namespace zl
