// devsim: a counting device that speaks the device protocol (docs/device-protocol.md), serving
// the in/out counts of a 2D people-counter database file read-only. Tests start it in-process
// on 127.0.0.1 port 0; the devsim program wraps it with a command line.
#pragma once

#include <map>
#include <memory>
#include <string>

namespace zl {

struct DevSimConfig {
    std::string dbPath;
    std::string address = "127.0.0.1";
    int port = 0;  // 0 = any free port
    std::string user;
    std::string password;
    std::string name = "devsim";
    int cameraCount = 0;                     // 0 = the largest camera number in the database
    std::map<int, std::string> cameraNames;  // cameras without an entry have no name
};

class DevSim {
  public:
    DevSim();
    ~DevSim();
    DevSim(const DevSim&) = delete;
    DevSim& operator=(const DevSim&) = delete;

    // Opens the database, binds and starts serving on a thread of its own. Returns 1, or 0
    // with a one-line reason in *error.
    int Start(const DevSimConfig& config, std::string* error);
    // The bound port (after Start).
    int Port() const;
    int CameraCount() const;
    // Stops serving and closes the database; safe to call more than once.
    void Stop();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace zl
