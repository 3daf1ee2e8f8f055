// The serial line's writes never block for ever: a device that takes nothing, or
// a line that hung up, gives the writer its reason within about a second.
#include <gtest/gtest.h>

#include <chrono>

#include "platform/serial_port.h"
#include "support/pty_device.h"

namespace velmar::testing {
namespace {

TEST(SerialPortWrite, APeerThatReadsNothingFailsTheWriteWithinASecond) {
  PtyDevice line;  // nobody reads the master: the line's buffer fills
  SerialPort port;
  ASSERT_EQ(port.Open(line.slaveName(), "9600,E,7,1"), "");
  EXPECT_EQ(port.Write("@00100000071*\r"), "");
  const std::string block(4096, 'x');
  std::string error;
  const auto started = std::chrono::steady_clock::now();
  for (int i = 0; i < 256 && error.empty(); ++i) error = port.Write(block);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  EXPECT_EQ(error, "the device takes nothing (nothing sent for 1 s)");
  EXPECT_LT(seconds, 3.0);
}

TEST(SerialPortWrite, ALineThatHungUpSaysSoAndReadsNothing) {
  PtyDevice line;
  SerialPort port;
  ASSERT_EQ(port.Open(line.slaveName(), "9600,O,7,1"), "");
  EXPECT_EQ(port.Write("I4000P1P0I0\r"), "");
  EXPECT_EQ(line.Read(12), "I4000P1P0I0\r");
  line.HangUp();
  EXPECT_EQ(port.Write("I4001P1P0I0\r"), "Input/output error");
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(port.ReadUntil(16, '\r', started + std::chrono::milliseconds(500)), "");
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(400));  // no wait on a dead line
}

}  // namespace
}  // namespace velmar::testing
