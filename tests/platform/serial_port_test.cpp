#include "platform/serial_port.h"

#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <string>

#include "platform/serial_fake.h"
#include "platform/station.h"
#include "tests/support/child_process.h"
#include "tests/support/pty.h"

namespace vesk {
namespace {

// A pseudo-terminal whose slave side is port `number` of the station (through "PORTS.MAP").
struct Pty : test::Pty {
  Pty() : test::Pty({.nonblocking_master = true}) {}
};

class SerialPortTest : public ::testing::Test {
 protected:
  SerialPortTest() : station_(dir_.path(), std::make_unique<SimClock>()), scope_(station_) {}
  void map_port(int number, const std::string& path) {
    std::ofstream(station_.path("PORTS.MAP"), std::ios::app) << number << " " << path << "\n";
  }
  test::TempDir dir_;
  Station station_;
  StationScope scope_;
};

TEST_F(SerialPortTest, PortNumberMapsToDevicePath) {
  EXPECT_EQ(serial_device_path(1), "/dev/ttyS0");
  EXPECT_EQ(serial_device_path(4), "/dev/ttyS3");
  map_port(4, "/dev/ttyUSB0");
  map_port(12, "/tmp/x");
  EXPECT_EQ(serial_device_path(4), "/dev/ttyUSB0");
  EXPECT_EQ(serial_device_path(12), "/tmp/x");
  EXPECT_EQ(serial_device_path(2), "/dev/ttyS1");
  EXPECT_EQ(serial_device_path(INT_MIN), "/dev/ttyS-2147483649") << "no device, and no overflow";
}

struct SettingsCase {
  const char* text;
  speed_t speed;
  tcflag_t size;
  tcflag_t parity;  // PARENB | PARODD | CMSPAR bits expected
  bool two_stop;
  const char* read_back;
};

TEST_F(SerialPortTest, SettingsTextsReachTheDevice) {
  const SettingsCase cases[] = {
      {"4800,N,8,2", B4800, CS8, 0, true, "4800,N,8,2"},
      {"9600,O,7,1", B9600, CS7, PARENB | PARODD, false, "9600,O,7,1"},
      {"9600,n,8,1", B9600, CS8, 0, false, "9600,N,8,1"},
      {"19200,E,8,1", B19200, CS8, PARENB, false, "19200,E,8,1"},
      {"1200,M,7,2", B1200, CS7, PARENB | PARODD | CMSPAR, true, "1200,M,7,2"},
      {"38400,S,5,1.5", B38400, CS5, PARENB | CMSPAR, true, "38400,S,5,1.5"},
      {"115200,N,6,1", B115200, CS6, 0, false, "115200,N,6,1"},
  };
  for (const SettingsCase& c : cases) {
    SCOPED_TRACE(c.text);
    Pty pty;
    ASSERT_FALSE(pty.name.empty());
    std::filesystem::remove(station_.path("PORTS.MAP"));
    map_port(3, pty.name);
    SerialPort port;
    port.set_port_number(3);
    ASSERT_EQ(port.set_settings(c.text), 0);
    ASSERT_EQ(port.open(), 0) << port.last_error();
    EXPECT_EQ(port.settings(), c.read_back);
    termios t{};
    ASSERT_EQ(tcgetattr(pty.master, &t), 0);
    EXPECT_EQ(cfgetospeed(&t), c.speed);
    EXPECT_EQ(cfgetispeed(&t), c.speed);
    // A pseudo-terminal keeps all but the character size and parity enable (it forces CS8
    // and no parity); the full flags are checked on the termios the port asks for.
    EXPECT_EQ(t.c_cflag & (PARODD | CMSPAR), c.parity & (PARODD | CMSPAR));
    EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.two_stop);
    // Raw: no translation, no echo, no signals.
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | IXON), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    SerialSettings parsed;
    ASSERT_EQ(serial_parse_settings(c.text, &parsed), 0);
    termios asked{};
    ASSERT_EQ(serial_make_termios(parsed, SERIAL_HANDSHAKE_NONE, &asked), 0);
    EXPECT_EQ(asked.c_cflag & CSIZE, c.size);
    EXPECT_EQ(asked.c_cflag & (PARENB | PARODD | CMSPAR), c.parity);
    EXPECT_EQ((asked.c_cflag & CSTOPB) != 0, c.two_stop);
    EXPECT_EQ(asked.c_cflag & (CLOCAL | CREAD), CLOCAL | CREAD);
    EXPECT_EQ(asked.c_cc[VMIN], 0);
    EXPECT_EQ(asked.c_cc[VTIME], 0);
    // Changing the settings of an open port applies them at once.
    ASSERT_EQ(port.set_settings("2400,N,8,1"), 0);
    ASSERT_EQ(tcgetattr(pty.master, &t), 0);
    EXPECT_EQ(cfgetospeed(&t), B2400);
  }
}

TEST(SerialTermios, HandshakingFlags) {
  SerialSettings s;
  termios t{};
  ASSERT_EQ(serial_make_termios(s, SERIAL_HANDSHAKE_NONE, &t), 0);
  EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF), 0u);
  ASSERT_EQ(serial_make_termios(s, SERIAL_HANDSHAKE_XON_XOFF, &t), 0);
  EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF), IXON | IXOFF);
  ASSERT_EQ(serial_make_termios(s, SERIAL_HANDSHAKE_RTS, &t), 0);
  EXPECT_EQ(t.c_cflag & CRTSCTS, CRTSCTS);
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF), 0u);
  ASSERT_EQ(serial_make_termios(s, SERIAL_HANDSHAKE_RTS_XON_XOFF, &t), 0);
  EXPECT_EQ(t.c_cflag & CRTSCTS, CRTSCTS);
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF), IXON | IXOFF);
}

TEST_F(SerialPortTest, BadSettingsAreRefusedAndKeepTheOldOnes) {
  SerialPort port;
  ASSERT_EQ(port.set_settings("4800,E,7,2"), 0);
  // Speed 0 would hang the line up; an unknown speed has no termios form.
  for (const char* bad : {"0,N,8,1", "12345,N,8,1", "9600,X,8,1", "9600,N,9,1", "9600,N,4,1", "9600,N,8,3",
                          "9600,N,8", "9600,N,8,1,1", "", "abc", "-9600,N,8,1", "9600,NN,8,1"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(port.set_settings(bad), -1);
    EXPECT_EQ(port.settings(), "4800,E,7,2");
  }
}

TEST_F(SerialPortTest, EveryByteValuePassesUnchangedBothWays) {
  Pty pty;
  map_port(2, pty.name);
  SerialPort port;
  port.set_port_number(2);
  ASSERT_EQ(port.set_settings("9600,N,8,1"), 0);
  ASSERT_EQ(port.open(), 0) << port.last_error();
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);

  ASSERT_EQ(port.output(reinterpret_cast<const uint8_t*>(all.data()), 256), 0);
  EXPECT_EQ(pty.read_master(256), all);

  ASSERT_EQ(::write(pty.master, all.data(), all.size()), 256);
  std::string got;
  for (int tries = 0; tries < 2000 && got.size() < 256; ++tries) {
    uint8_t buf[512];
    const int n = port.input(buf, sizeof buf);
    ASSERT_GE(n, 0);
    got.append(reinterpret_cast<char*>(buf), static_cast<std::size_t>(n));
    if (n == 0) usleep(1000);
  }
  EXPECT_EQ(got, all);
}

TEST_F(SerialPortTest, WritesNeverStallAndKeepTheirOrder) {
  Pty pty;
  map_port(2, pty.name);
  SerialPort port;
  port.set_port_number(2);
  ASSERT_EQ(port.open(), 0);
  // Far more than the pseudo-terminal buffers while nobody reads: output returns at once.
  std::string big;
  for (int i = 0; i < 300000; ++i) big += static_cast<char>('A' + i % 23);
  for (std::size_t off = 0; off < big.size(); off += 30000)
    ASSERT_EQ(port.output(reinterpret_cast<const uint8_t*>(big.data() + off), 30000), 0);
  // What the device could not take leaves on later calls, in order.
  std::string got;
  for (int tries = 0; tries < 20000 && got.size() < big.size(); ++tries) {
    port.in_buffer_count();
    got += pty.read_master(1, 5);
  }
  EXPECT_EQ(got.size(), big.size());
  EXPECT_TRUE(got == big);
}

TEST_F(SerialPortTest, WaitingCountAndInputClearing) {
  Pty pty;
  map_port(2, pty.name);
  SerialPort port;
  port.set_port_number(2);
  EXPECT_EQ(port.in_buffer_count(), -1);  // closed
  ASSERT_EQ(port.open(), 0);
  EXPECT_EQ(port.in_buffer_count(), 0);
  ASSERT_EQ(::write(pty.master, "hello", 5), 5);
  int n = 0;
  for (int tries = 0; tries < 2000 && n < 5; ++tries, usleep(500)) n = port.in_buffer_count();
  EXPECT_EQ(n, 5);
  EXPECT_EQ(port.clear_input(), 0);
  EXPECT_EQ(port.in_buffer_count(), 0);
  EXPECT_EQ(port.clear_output(), 0);
}

TEST_F(SerialPortTest, LineChangesOnAPseudoTerminalAreNoOps) {
  Pty pty;
  map_port(2, pty.name);
  SerialPort port;
  port.set_port_number(2);
  ASSERT_EQ(port.open(), 0);
  EXPECT_EQ(port.set_rts(true), 0);
  EXPECT_EQ(port.set_dtr(true), 0);
  EXPECT_EQ(port.set_break(true), 0);
  EXPECT_EQ(port.set_break(false), 0);
  EXPECT_EQ(port.set_handshaking(SERIAL_HANDSHAKE_RTS_XON_XOFF), 0);
  EXPECT_EQ(port.set_handshaking(4), -1);
}

TEST_F(SerialPortTest, OneOpenerPerDeviceAndSettingsSurviveReopen) {
  Pty pty;
  map_port(2, pty.name);
  map_port(5, pty.name);  // another number for the same device
  SerialPort a, b;
  a.set_port_number(2);
  b.set_port_number(5);
  ASSERT_EQ(a.set_settings("4800,N,8,2"), 0);
  ASSERT_EQ(a.open(), 0);
  EXPECT_EQ(a.open(), -1);  // already open
  EXPECT_EQ(b.open(), -1) << "a device is opened by one port at a time";
  EXPECT_NE(b.last_error().find("in use"), std::string::npos);
  ASSERT_EQ(a.close(), 0);
  EXPECT_EQ(a.close(), -1);
  EXPECT_EQ(a.output(reinterpret_cast<const uint8_t*>("x"), 1), -1);  // closed
  ASSERT_EQ(b.open(), 0);
  ASSERT_EQ(b.close(), 0);
  // The settings were kept while closed and are applied again.
  ASSERT_EQ(a.open(), 0);
  EXPECT_EQ(a.settings(), "4800,N,8,2");
  termios t{};
  ASSERT_EQ(tcgetattr(pty.master, &t), 0);
  EXPECT_EQ(cfgetospeed(&t), B4800);
  EXPECT_NE(t.c_cflag & CSTOPB, 0u);
}

TEST_F(SerialPortTest, MissingDeviceFailsToOpen) {
  map_port(9, dir_.path() + "/no-such-device");
  SerialPort port;
  port.set_port_number(9);
  EXPECT_EQ(port.open(), -1);
  EXPECT_FALSE(port.is_open());
  EXPECT_NE(port.last_error().find("no-such-device"), std::string::npos);
}

TEST_F(SerialPortTest, StoredLinesAreAppliedRightAfterOpen) {
  auto fake = FakeSerialBackend::install();
  SerialPort port;
  port.set_port_number(1);
  ASSERT_EQ(port.set_rts(true), 0);  // stored while closed
  ASSERT_EQ(port.open(), 0);
  using K = FakeSerialBackend::Kind;
  auto ev = fake->events();
  ASSERT_GE(ev.size(), 4u);
  EXPECT_EQ(ev[0].kind, K::Open);
  EXPECT_EQ(ev[1].kind, K::Rts);
  EXPECT_EQ(ev[1].value, 1);
  EXPECT_EQ(ev[2].kind, K::Dtr);
  EXPECT_EQ(ev[2].value, 0);
  EXPECT_EQ(ev[3].kind, K::Settings);
  EXPECT_EQ(ev[3].bytes, "9600,N,8,1");
  ASSERT_EQ(port.set_dtr(true), 0);
  ASSERT_EQ(port.set_break(true), 0);
  ASSERT_EQ(port.close(), 0);
  EXPECT_EQ(port.set_break(false), -1);  // closed
  EXPECT_EQ(fake->trace(),
            "0 ms COM1 open\n0 ms COM1 RTS on\n0 ms COM1 DTR off\n0 ms COM1 settings 9600,N,8,1 handshaking 0\n"
            "0 ms COM1 DTR on\n0 ms COM1 break on\n0 ms COM1 close\n");
  // A device whose lines fail: the change reports the failure.
  fake->set_lines_fail(1, true);
  EXPECT_EQ(port.open(), -1);
  fake->set_lines_fail(1, false);
  ASSERT_EQ(port.open(), 0);
  fake->set_lines_fail(1, true);
  EXPECT_EQ(port.set_rts(false), -1);
}

TEST_F(SerialPortTest, FakeDeliversInjectedBytesAtTheirTime) {
  auto fake = FakeSerialBackend::install();
  SerialPort port;
  port.set_port_number(4);
  ASSERT_EQ(port.open(), 0);
  fake->inject_at(4, 10, "later");
  fake->inject(4, "now");
  EXPECT_EQ(port.in_buffer_count(), 3);
  station_.sim_clock()->advance_ms(10);
  EXPECT_EQ(port.in_buffer_count(), 8);
  uint8_t buf[16];
  ASSERT_EQ(port.input(buf, 5), 5);
  ASSERT_EQ(port.input(buf + 5, 16), 3);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 8), "nowlater");
  fake->set_unavailable(6, true);
  SerialPort other;
  other.set_port_number(6);
  EXPECT_EQ(other.open(), -1);
}

}  // namespace
}  // namespace vesk

namespace vesk {
namespace {

TEST(SerialPortStations, EachStationHasItsOwnPortMap) {
  Pty pty_a, pty_b;
  test::TempDir dir_a, dir_b;
  Station a(dir_a.path()), b(dir_b.path());
  std::ofstream(a.path("PORTS.MAP")) << "1 " << pty_a.name << "\n";
  std::ofstream(b.path("PORTS.MAP")) << "1 " << pty_b.name << "\n2 " << pty_a.name << "\n";
  SerialPort port_a, port_b, port_b2;
  {
    StationScope s(a);
    port_a.set_port_number(1);
    ASSERT_EQ(port_a.open(), 0);
  }
  StationScope s(b);
  port_b.set_port_number(1);
  EXPECT_EQ(port_b.open(), 0) << "port 1 of the second station is its own device";
  port_b2.set_port_number(2);
  EXPECT_EQ(port_b2.open(), -1) << "a device open in one station is busy for the other";
}

}  // namespace
}  // namespace vesk
