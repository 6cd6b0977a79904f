// The plug-in radio library (type 136): a shared library the operator names, reached through
// its exported "EntryPoint" (int command, void* argument). The station lends it the radio
// port's send and completion functions and hands it every reply frame; the calls come from
// several threads and are serialised here. The library is looked for in the program's folder
// first and never in the working folder.
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "db/options.h"
#include "platform/station.h"
#include "radio/drivers/cat_contract.h"
#include "radio/family_ops.h"
#include "radio/generic_radio.h"
#include "radio/radio_hooks.h"
#include "radio/radio_setup.h"
#include "radio/serial_output.h"
#include "radio/serial_poll.h"
#include "radio/serial_queue.h"

namespace vesk {

namespace {

using EntryPoint = int (*)(int, void*);

struct PluginState {
  std::recursive_mutex call;  // one call into the library at a time
  std::mutex lock;
  EntryPoint entry = nullptr;
  char settings[40] = {};
  uint8_t terminator = 0;
};
PluginState& plugin() { return station().state<PluginState>(); }

std::filesystem::path program_folder() {
  char buf[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  buf[n] = '\0';
  return std::filesystem::path(buf).parent_path();
}

extern "C" void vesk_plugin_send(const uint8_t* bytes, int length) { cat_send(bytes, length); }
extern "C" void vesk_plugin_done(int result) { result == 1 ? cat_ack() : cat_nak(); }

}  // namespace

bool radio_plugin_load(const std::string& file) {
  PluginState& p = plugin();
  {
    std::lock_guard<std::mutex> g(p.lock);
    p.entry = nullptr;
  }
  void* handle = nullptr;
  const std::filesystem::path name(file);
  if (!file.empty() && name.filename() == name) {
    // A bare name: the program's folder, then the system's search (which has no working folder).
    const std::filesystem::path beside = program_folder() / name;
    if (std::filesystem::exists(beside)) handle = dlopen(beside.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  } else if (name.is_absolute()) {
    handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  EntryPoint entry = handle != nullptr ? reinterpret_cast<EntryPoint>(dlsym(handle, "EntryPoint")) : nullptr;
  if (entry == nullptr) {
    radio_message_box("Unable to load Radio DLL ");
    return false;
  }
  std::lock_guard<std::mutex> g(p.lock);
  p.entry = entry;  // the library stays loaded for the rest of the run
  return true;
}

int radio_plugin_call(int command, void* argument) {
  PluginState& p = plugin();
  std::lock_guard<std::recursive_mutex> one_call(p.call);
  EntryPoint entry;
  {
    std::lock_guard<std::mutex> g(p.lock);
    entry = p.entry;
  }
  return entry != nullptr ? entry(command, argument) : 0;
}

namespace {

void channel(const RadioTypeRow&, const ChannelRecord& ch) {
  ChannelRecord copy = ch;
  radio_plugin_call(0, &copy);
}
void ptt_on(const RadioTypeRow&, int) { radio_plugin_call(1, nullptr); }
void ptt_off(const RadioTypeRow&) { radio_plugin_call(2, nullptr); }

// Load the library and ask it for the port's settings (command 3); without a library the
// radio port stays closed.
int port_settings(std::string& settings) {
  PluginState& p = plugin();
  if (!radio_plugin_load(db_get_plugin_file())) return -1;
  char buffer[40] = {};
  radio_plugin_call(3, buffer);
  buffer[sizeof buffer - 1] = '\0';
  settings = buffer;
  std::lock_guard<std::mutex> g(p.lock);
  std::memcpy(p.settings, buffer, sizeof buffer);
  return 1;
}

void setup_commands(const RadioTypeRow&, const RadioSetupRow&) {
  uint8_t terminator = 0;
  radio_plugin_call(4, &terminator);
  radio_plugin_call(5, reinterpret_cast<void*>(&vesk_plugin_send));
  radio_plugin_call(6, reinterpret_cast<void*>(&vesk_plugin_done));
  serial_set_reply_terminators(SERIAL_ROLE_RADIO, terminator, terminator);
  radio_plugin_call(10, nullptr);
  radio_plugin_call(8, nullptr);
  radio_setup_line("DLL RADIO being initialized");
}

// A reply frame, with a zero byte after it (the library is given no length).
void on_reply(const uint8_t* frame, int length) {
  std::vector<uint8_t> copy(frame, frame + (length > 0 ? length : 0));
  copy.push_back(0);
  radio_plugin_call(7, copy.data());
}

void shutdown(const RadioTypeRow&) { radio_plugin_call(9, nullptr); }

}  // namespace

const FamilyOps kPluginLibraryOps{
    .built = true,
    .ptt_on = ptt_on,
    .ptt_off = ptt_off,
    .channel_freq_mode = channel,
    .tune_channel = channel,
    .port_settings = port_settings,
    .setup_commands = setup_commands,
    .shutdown = shutdown,
    .on_reply = on_reply,
};

}  // namespace vesk
