// SerialPort: one serial-port control of the station, over termios.
//
// It keeps the control's properties (port number, settings text such as "9600,N,8,1",
// handshaking, RTS, DTR) whether the port is open or not, so a reopen applies them again.
// The port is raw (no character translation) and non-blocking: `output` never stalls the
// calling thread (the audio thread releases the transmitter through it); bytes the device
// cannot take at once wait in the port and leave on the next output or input call.
//
// Port number N names a device: lines "N PATH" of the station folder's "PORTS.MAP" choose it,
// otherwise /dev/ttyS<N-1>. A device is opened by one port at a time in the process (an
// exclusive flock on the open file). A line change or break that the device cannot carry (a
// pseudo-terminal answers ENOTTY) succeeds as a no-op.
//
// Devices come from the station's SerialBackend: termios by default, or a test's fake
// (platform/serial_fake.h).
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// termios.h stays out of this header: its macros (ECHO, B0, ...) clash with other names.
struct termios;

namespace vesk {

// A parsed settings text "baud,parity,data bits,stop bits".
struct SerialSettings {
  int baud = 9600;
  char parity = 'N';     // N, O, E, M or S
  int data_bits = 8;     // 5 to 8
  int stop_halves = 2;   // stop bits times two: 2, 3 (1.5) or 4
};

// Parses "9600,N,8,1" (parity in either case, stop bits 1, 1.5 or 2). Returns 0, or -1 for a
// malformed text or a speed the layer refuses (0, or one termios does not have).
int serial_parse_settings(const std::string& text, SerialSettings* out);
// The settings as text, e.g. "9600,N,8,1".
std::string serial_settings_text(const SerialSettings& s);
// Fills a raw-mode termios (no translation, reads that never wait) for the settings and the
// handshaking. 0, or -1 for settings termios cannot express.
int serial_make_termios(const SerialSettings& s, int handshaking, ::termios* out);

// Handshaking values of the serial control.
enum SerialHandshake : int {
  SERIAL_HANDSHAKE_NONE = 0,
  SERIAL_HANDSHAKE_XON_XOFF = 1,
  SERIAL_HANDSHAKE_RTS = 2,
  SERIAL_HANDSHAKE_RTS_XON_XOFF = 3,
};

enum class SerialLine { Rts, Dtr, Break };

// One opened device.
class SerialDevice {
 public:
  virtual ~SerialDevice() = default;
  virtual int configure(const SerialSettings& settings, int handshaking) = 0;  // 0 or -1
  // Bytes taken (0 when the device can take none now), or -1 on failure.
  virtual int write_some(const uint8_t* bytes, int count) = 0;
  // Bytes read (0 when none wait), or -1 on failure.
  virtual int read(uint8_t* bytes, int max) = 0;
  virtual int waiting() = 0;  // bytes waiting, or -1
  virtual int set_line(SerialLine line, bool on) = 0;  // 0 or -1
  virtual int clear(bool input, bool output) = 0;      // 0 or -1
};

class SerialBackend {
 public:
  virtual ~SerialBackend() = default;
  // Opens port `port_number`; null with a reason in `error` when it cannot be opened.
  virtual std::unique_ptr<SerialDevice> open(int port_number, std::string* error) = 0;
};

// The device path of port N: "PORTS.MAP" of the current station's folder, else /dev/ttyS<N-1>.
std::string serial_device_path(int port_number);

// The termios back end (the default of every station).
std::shared_ptr<SerialBackend> serial_termios_backend();
// The back end that the current station's ports open their devices through.
std::shared_ptr<SerialBackend> serial_backend();
// Replaces it for the current station (ports already open keep their device).
void serial_set_backend(std::shared_ptr<SerialBackend> backend);

class SerialPort {
 public:
  // Bytes of output the port keeps for a device that cannot take them at once.
  static constexpr std::size_t kMaxPendingOutput = 1 << 20;

  SerialPort() = default;
  ~SerialPort();
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  void set_port_number(int n);
  int port_number() const;
  // Stores the settings (applied at once when open). -1 leaves them as they were.
  int set_settings(const std::string& text);
  std::string settings() const;
  // Handshaking 0 to 3 (SerialHandshake); -1 for another value.
  int set_handshaking(int handshaking);
  int handshaking() const;

  // Opens the device of the port number with the stored settings, then puts RTS and DTR to
  // their stored states. 0, or -1 (already open, no device, device busy, settings refused).
  int open();
  int close();  // 0, or -1 when not open
  bool is_open() const;
  // The reason of the last failed open.
  std::string last_error() const;

  // Writes the bytes (or keeps what the device cannot take yet). 0, or -1 when the port is
  // closed or the device failed.
  int output(const uint8_t* bytes, int count);
  // Bytes waiting to be read; -1 when closed or failed.
  int in_buffer_count();
  // Reads up to `max` waiting bytes; -1 when closed or failed.
  int input(uint8_t* bytes, int max);

  // Line states are stored and, when open, applied. 0, or -1 when the device failed.
  int set_rts(bool on);
  int set_dtr(bool on);
  bool rts() const;
  bool dtr() const;
  int set_break(bool on);  // -1 when closed
  // Discards what waits in the input or output buffers. -1 when closed.
  int clear_input();
  int clear_output();

 private:
  int flush_pending_locked();

  mutable std::mutex mutex_;
  int port_number_ = 1;
  SerialSettings settings_{};
  int handshaking_ = SERIAL_HANDSHAKE_NONE;
  bool rts_ = false;  // low until asked: RTS may key a transmitter
  bool dtr_ = false;
  std::unique_ptr<SerialDevice> device_;
  std::vector<uint8_t> pending_;
  std::string last_error_;
};

}  // namespace vesk
