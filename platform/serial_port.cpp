#include "platform/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/clock.h"
#include "platform/format.h"
#include "platform/number_text.h"

namespace velmar {

std::string SerialDeviceOf(int comNumber) {
  if (const char* device = std::getenv(Format("VELMAR_COM%d", comNumber).c_str()); device && *device) return device;
  return Format("/dev/ttyS%d", comNumber - 1);
}

SerialPort::~SerialPort() { Close(); }

void SerialPort::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

namespace {
speed_t SpeedOf(int baud) {
  switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 19200: return B19200;
    case 38400: return B38400;
    default: return B9600;
  }
}
}  // namespace

std::string SerialPort::Open(const std::string& device, const std::string& mode) {
  Close();
  // "9600,O,7,1"
  const auto first = mode.find(','), second = mode.find(',', first + 1), third = mode.find(',', second + 1);
  if (first == std::string::npos || second == std::string::npos || third == std::string::npos)
    return "bad serial mode " + mode;
  const int baud = LeadingInt(mode.substr(0, first)).value_or(9600);
  const char parity = mode[first + 1];
  const int bits = LeadingInt(mode.substr(second + 1)).value_or(8);
  const int stops = LeadingInt(mode.substr(third + 1)).value_or(1);

  const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return device + ": " + std::strerror(errno);
  if (::ioctl(fd, TIOCEXCL) != 0 && errno != ENOTTY) {
    ::close(fd);
    return device + ": cannot be had alone";
  }
  termios tty{};
  if (::tcgetattr(fd, &tty) != 0) {
    const int error = errno;
    ::close(fd);
    return device + ": not a serial line (" + std::strerror(error) + ")";
  }
  ::cfmakeraw(&tty);
  ::cfsetispeed(&tty, SpeedOf(baud));
  ::cfsetospeed(&tty, SpeedOf(baud));
  tty.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB);
  tty.c_cflag |= (bits == 7 ? CS7 : CS8) | CLOCAL | CREAD;
  if (parity == 'O' || parity == 'o') tty.c_cflag |= PARENB | PARODD;
  if (parity == 'E' || parity == 'e') tty.c_cflag |= PARENB;
  if (stops == 2) tty.c_cflag |= CSTOPB;
  tty.c_cc[VMIN] = 0;  // a read returns at once with what has arrived
  tty.c_cc[VTIME] = 0;
  ::tcsetattr(fd, TCSANOW, &tty);
  fd_ = fd;  // left non-blocking: reads return at once, writes wait in poll with a deadline
  return {};
}

std::string SerialPort::Write(const std::string& bytes) {
  if (fd_ < 0) return "the port is not open";
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) return std::strerror(errno);
    if (WaitsCut()) return "not sent: the program is stopping";
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) return "the device takes nothing (nothing sent for 1 s)";
    // In slices, so that a program asked to stop does not sit out the deadline.
    pollfd ready{fd_, POLLOUT, 0};
    if (::poll(&ready, 1, static_cast<int>(std::min<long long>(left, 50))) < 0 && errno != EINTR)
      return std::strerror(errno);
  }
  ::tcdrain(fd_);
  return {};
}

std::string SerialPort::ReadAvailable(std::size_t maxBytes) {
  if (fd_ < 0) return {};
  std::string bytes(maxBytes, '\0');
  const ssize_t n = ::read(fd_, bytes.data(), maxBytes);
  bytes.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return bytes;
}

std::string SerialPort::ReadUntil(std::size_t maxBytes, char terminator,
                                  std::chrono::steady_clock::time_point deadline) {
  std::string bytes = ReadAvailable(maxBytes);
  while (fd_ >= 0 && bytes.size() < maxBytes && bytes.find(terminator) == std::string::npos) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) break;
    pollfd ready{fd_, POLLIN, 0};
    const int n = ::poll(&ready, 1, static_cast<int>(left));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    const std::string more = ReadAvailable(maxBytes - bytes.size());
    if (more.empty()) break;  // the line hung up
    bytes += more;
  }
  return bytes;
}

}  // namespace velmar
