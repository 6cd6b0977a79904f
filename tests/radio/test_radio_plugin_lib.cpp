// A plug-in radio library for the tests: records every command it is given, answers the
// set-up's questions (port "4800,N,8,2", replies end in ';'), tunes by sending "F<hz>;" through
// the station's send function and acknowledges every reply frame.
#include <cstdio>
#include <cstring>

extern "C" {

typedef void (*SendFn)(const unsigned char*, int);
typedef void (*DoneFn)(int);

int EntryPoint(int command, void* argument);
int TestCommands(int* out, int max);
void TestReset(void);

static int commands[256];
static int count;
static SendFn send_fn;
static DoneFn done_fn;

struct Channel { unsigned char number, reserved1[3]; int in_use, update_pending, attenuator, permission, own_index,
                 antenna_port, tx_level, scan_groups, rx_mode, tx_mode, usage, lp_key, tx_freq_hz, rx_freq_hz; };

int EntryPoint(int command, void* argument) {
  if (count < 256) commands[count++] = command;
  switch (command) {
    case 0: {
      const struct Channel* ch = static_cast<const struct Channel*>(argument);
      char text[32];
      int n = std::snprintf(text, sizeof text, "F%d;", ch->rx_freq_hz);
      if (send_fn) send_fn(reinterpret_cast<const unsigned char*>(text), n);
      break;
    }
    case 3: std::strcpy(static_cast<char*>(argument), "4800,N,8,2"); break;
    case 4: *static_cast<unsigned char*>(argument) = ';'; break;
    case 5: send_fn = reinterpret_cast<SendFn>(argument); break;
    case 6: done_fn = reinterpret_cast<DoneFn>(argument); break;
    case 7: if (done_fn) done_fn(1); break;
    default: break;
  }
  return 0;
}

// For the tests: the commands recorded so far.
int TestCommands(int* out, int max) {
  int n = count < max ? count : max;
  std::memcpy(out, commands, static_cast<std::size_t>(n) * sizeof(int));
  return n;
}
void TestReset(void) { count = 0; }
}
