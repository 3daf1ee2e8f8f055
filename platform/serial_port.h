#pragma once
// A serial line with the program's mode texts ("9600,O,7,1": baud, parity, data
// bits, stop bits). COMn is /dev/ttyS<n-1> unless $VELMAR_COMn names another
// device (a USB adapter, or a pseudo-terminal for the device simulators).
#include <chrono>
#include <cstdint>
#include <string>

namespace velmar {

std::string SerialDeviceOf(int comNumber);

class SerialPort {
 public:
  SerialPort() = default;
  ~SerialPort();
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Opens the device for reading and writing, exclusive, in the given mode; reads
  // return at once with what has arrived. Empty text on success, else why not.
  std::string Open(const std::string& device, const std::string& mode);
  bool isOpen() const { return fd_ >= 0; }
  void Close();
  // Sends the bytes within a second; empty text when they went, else why not (a
  // line that hung up, or a peer that takes nothing): a write never blocks for ever.
  std::string Write(const std::string& bytes);
  std::string ReadAvailable(std::size_t maxBytes);
  // Reads until maxBytes or the terminator have arrived or the steady clock passes
  // the deadline; with the deadline already past, it reads once what has arrived.
  // A device answers in real time whatever clock paces the program.
  std::string ReadUntil(std::size_t maxBytes, char terminator, std::chrono::steady_clock::time_point deadline);

 private:
  int fd_ = -1;
};

}  // namespace velmar
