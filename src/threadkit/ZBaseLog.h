// A log file that size-checks itself: every entry is stamped with the local time and the
// writing thread's id; at SetFilename and on every 100th write a file over 3 MiB is handed to
// RangeFile, which a subclass overrides to rotate or trim it (the base only closes and reopens
// it, so the file keeps growing). One log object is written from one thread at a time.
#pragma once

#include <string>

namespace zl {

class ZBaseLog {
  public:
    static constexpr long long kRangeSize = 0x300000;  // 3 MiB
    static constexpr int kRangeEvery = 100;            // writes between size checks

    ZBaseLog() = default;
    virtual ~ZBaseLog();
    ZBaseLog(const ZBaseLog&) = delete;
    ZBaseLog& operator=(const ZBaseLog&) = delete;

    // "%Y %b %d %H:%M:%S - Thread Id: %x : " and the text, no line end added. 1, or 0 when no
    // file is open (or the file could not be reopened after RangeFile).
    virtual int Write(const char* text);
    // printf-style; the formatted text goes through Write.
    virtual int WriteV(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Opens (creating, never truncating) the file for appending. 1 on success, 0 on failure.
    virtual int SetFilename(const char* name);
    // Called with the file's full path when it has grown past kRangeSize, while it is closed.
    virtual int RangeFile(const char* fullPath);

    int IsOpen() const { return open_; }
    const std::string& Filename() const { return filename_; }

  private:
    bool OpenFile(const std::string& name);
    void CloseFile();
    long long FileSize() const;
    // Closes the file, lets RangeFile deal with it and opens it again.
    int Range();

    int fd_ = -1;
    int open_ = 0;
    int writes_ = 0;
    std::string filename_;
};

class ILog : public ZBaseLog {
  public:
    ~ILog() override;
};

}  // namespace zl
