#pragma once
// A pseudo-terminal standing in for a serial line: the program opens the slave
// by name (through $VELMAR_COMn), a simulator program or the test uses the master.
#include <string>
#include <vector>

namespace velmar::testing {

class PtyDevice {
 public:
  PtyDevice();
  ~PtyDevice();
  const std::string& slaveName() const { return slave_; }
  int master() const { return master_; }
  // Everything the program wrote, waiting up to timeoutMs for at least minBytes.
  std::string Read(std::size_t minBytes, int timeoutMs = 2000);
  void Write(const std::string& bytes);
  // Runs a program with its standard input and output on the master.
  void RunOnMaster(const std::string& program, const std::vector<std::string>& args);
  // The program on the master killed at once, as a device that dies: the line
  // stays, nothing answers on it.
  void KillPeer();
  // The master closed: the line hangs up, as an unplugged adapter does.
  void HangUp();
  // Sends bytes on the slave side, as the program would, and returns what the peer
  // on the master answers up to the terminator (or what came within timeoutMs):
  // a way to wait until a simulator is up.
  std::string AskThroughSlave(const std::string& bytes, char terminator, int timeoutMs = 5000);

 private:
  int master_ = -1, slaveKeeper_ = -1;
  std::string slave_;
  int child_ = 0;
};

// Sets an environment variable for the lifetime of this object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value);
  ~ScopedEnv();

 private:
  std::string name_, previous_;
  bool had_;
};

}  // namespace velmar::testing
