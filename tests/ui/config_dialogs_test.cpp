// The configuration dialogs' logic: what each shows when it opens, what its OK refuses, stores
// and shows in the status bar.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "command/host_port.h"
#include "command/listings.h"
#include "command/mail_port.h"
#include "db/database.h"
#include "db/options.h"
#include "modem/call_recorder.h"
#include "modem/sound_card.h"
#include "tests/support/child_process.h"
#include "tests/support/net.h"
#include "tests/ui/station_fixture.h"
#include "ui/config_dialogs.h"
#include "ui/station_app.h"

namespace vesk {
namespace {

class ConfigDialogs : public test::SteppedStation {
 protected:
  ConfigDialogs() : SteppedStation("ADD OWN ALFA\n") { run_executor(); }
  void set_param(int i, int value) {
    int32_t p[10];
    db_get_m110_params(p);
    p[i] = value;
    db_set_m110_params(p);
  }
  int param(int i) {
    int32_t p[10];
    db_get_m110_params(p);
    return p[i];
  }
};

TEST_F(ConfigDialogs, Mil110ButtonsActAtOnce) {
  db_set_modem_centre_freq(1800);
  db_set_modem_sample_rate(8000);
  Mil110View v = mil110_options_open();
  EXPECT_EQ(v.carrier, kCarrier1800);
  EXPECT_EQ(v.symbol_rate, 2);
  EXPECT_TRUE(v.upper_rates);
  // A carrier, a symbol rate, a data rate: stored at once (Cancel keeps them).
  EXPECT_TRUE(mil110_choose_carrier(kCarrier1500));
  EXPECT_EQ(db_get_modem_centre_freq(), 1500);
  EXPECT_EQ(report_status_pane(5), "1500hz");
  mil110_choose_symbol_rate(3);
  EXPECT_EQ(db_get_modem_sample_rate(), 9600);
  EXPECT_EQ(report_status_pane(6), "3.0Khz ");
  mil110_choose_rate("1200L");
  EXPECT_EQ(db_get_data_rate(), "1200L");
  EXPECT_EQ(report_status_pane(17), "ARQ1200L");
  // "1200hz (VESK)" sets 6400 and disables the upper rates.
  EXPECT_FALSE(mil110_choose_carrier(kCarrier1200));
  EXPECT_EQ(db_get_modem_sample_rate(), 6400);
  v = mil110_options_open();
  EXPECT_EQ(v.carrier, kCarrier1200);
  EXPECT_FALSE(v.upper_rates);
  mil110_options_ok(1, 2);
  EXPECT_EQ(report_status_pane(4), " FS1052   ");
  EXPECT_EQ(report_status_pane(3), " ALWAYS   ");
}

TEST_F(ConfigDialogs, Fs1052OptionsAndOnePaneText) {
  Fs1052View v = fs1052_options_open();
  EXPECT_EQ(v.transmissions, "0") << "a fresh database";
  ConfigOutcome o = fs1052_options_ok(v);
  EXPECT_FALSE(o.ok);
  EXPECT_EQ(o.field, kFieldTransmissions);
  const struct {
    const char* frame;
    const char* retry;
    bool ok;
  } cases[] = {{"55", "10", false}, {"56", "10", true}, {"1023", "100", true}, {"1024", "10", false},
               {"100", "0", false}, {"100", "101", false}, {"x", "10", false}};
  for (const auto& c : cases) {
    v.frame_size = c.frame;
    v.retry_count = c.retry;
    v.transmissions = "3";
    EXPECT_EQ(fs1052_options_ok(v).ok, c.ok) << c.frame << " " << c.retry;
  }
  // The dialog shows the transmissions as typed; the start-up shows the stored value plus one.
  EXPECT_EQ(param(8), 3);
  EXPECT_EQ(report_status_pane(8), "BRDT=3");
  report_set_status_pane(8, "");
  station_app_fill_status_texts();
  EXPECT_EQ(report_status_pane(8), "BRDT=4");
  EXPECT_EQ(report_status_pane(15), "FS=1023");
  EXPECT_EQ(report_status_pane(16), "RC=100");
  // A broadcast index the list does not offer opens with none selected, and OK keeps it.
  set_param(7, 12);
  v = fs1052_options_open();
  EXPECT_EQ(v.broadcast, "");
  ASSERT_TRUE(fs1052_options_ok(v).ok);
  EXPECT_EQ(param(7), 12);
  v.broadcast = "150L";
  fs1052_options_ok(v);
  EXPECT_EQ(param(7), 3);
  EXPECT_EQ(report_status_pane(9), " BRD150L ");
}

TEST_F(ConfigDialogs, TcpIpAddressAndPort) {
  TcpIpView v = tcpip_open();
  EXPECT_EQ(v.port, "23");
  const struct {
    std::array<std::string, 4> address;
    const char* port;
    bool enabled;
    bool ok;
    int field;
  } cases[] = {{{"10", "0", "0", "1"}, "65535", true, true, -1}, {{"10", "0", "256", "1"}, "23", true, false, 2},
               {{"10", "0", "0", "1"}, "65536", true, false, 4}, {{"10", "0", "0", "1"}, "0", true, false, 4},
               {{"10", "0", "0", "1"}, "0", false, true, -1},    {{"", "0", "0", "1"}, "23", true, false, 0}};
  for (const auto& c : cases) {
    const ConfigOutcome o = tcpip_ok({c.address, c.port, c.enabled});
    EXPECT_EQ(o.ok, c.ok) << c.port;
    EXPECT_EQ(o.field, c.field) << c.port;
  }
  tcpip_ok({{"10", "1", "2", "3"}, "8023", true});
  v = tcpip_open();
  EXPECT_EQ(v.address[0], "10");
  EXPECT_EQ(v.address[3], "3");
  EXPECT_EQ(v.port, "8023");
  EXPECT_TRUE(v.enabled);
}

// OK starts the host port when enabled, moves it when its port changes and stops it when
// disabled; the mail ports follow Enable Email.
TEST_F(ConfigDialogs, TcpIpAndEmailStartAndStopTheirPorts) {
  const int free_port = test::free_tcp_port();
  const int other_port = test::free_tcp_port();
  ASSERT_GT(free_port, 0);
  tcpip_ok({{"127", "0", "0", "1"}, std::to_string(free_port).c_str(), true});
  run_executor();
  ASSERT_EQ(host_running(), 1);
  EXPECT_EQ(host_bound_port(), free_port);
  tcpip_ok({{"127", "0", "0", "1"}, std::to_string(other_port).c_str(), true});
  run_executor();
  EXPECT_EQ(host_bound_port(), other_port);
  // nc reaches the port the dialog moved to and is answered; the old port is free again.
  {
    test::ChildProcess nc({"/usr/bin/env", "nc", "-N", "127.0.0.1", std::to_string(other_port)}, "CH\n");
    EXPECT_EQ(nc.wait(10000), 0);
    EXPECT_EQ(nc.output(), "OK\n\r");
  }
  EXPECT_FALSE(test::can_connect(free_port)) << "the old port is closed";
  tcpip_ok({{"127", "0", "0", "1"}, std::to_string(other_port).c_str(), false});
  run_executor();
  EXPECT_EQ(host_running(), 0);
  EXPECT_FALSE(test::can_connect(other_port));
  // Email on: smtplib delivers a mail into the mail folder; off: the port refuses.
  std::filesystem::create_directories(station_.path("email"));
  std::ofstream(station_.path("email/mroute.txt")) << "alpha.net BRAVO\n";
  mail_set_ports(0, 0);
  email_ok({true, false});
  run_executor();
  EXPECT_EQ(mail_running(), 1);
  const int smtp = mail_smtp_bound_port();
  test::ChildProcess client({"/usr/bin/env", "python3", "-c",
                             "import smtplib\n"
                             "s = smtplib.SMTP('127.0.0.1', " + std::to_string(smtp) + ", timeout=10)\n"
                             "s.sendmail('x@y.z', ['op@alpha.net'], 'Subject: t\\n\\nVIA THE DIALOG\\n')\n"
                             "s.quit()\n"});
  EXPECT_EQ(client.wait(30000), 0) << client.output();
  std::string filed;
  for (const auto& e : std::filesystem::directory_iterator(station_.path("email"))) {
    std::ifstream in(e.path());
    filed.append(std::istreambuf_iterator<char>(in), {});
  }
  EXPECT_NE(filed.find("VIA THE DIALOG"), std::string::npos) << filed;
  email_ok({false, false});
  run_executor();
  EXPECT_EQ(mail_running(), 0);
  EXPECT_FALSE(test::can_connect(smtp)) << "the mail port refuses once Email is off";
}

TEST_F(ConfigDialogs, SoundcardStoresOnlyWhileReleased) {
  const std::vector<SoundDevice> inputs = sound_devices(true);
  ASSERT_FALSE(inputs.empty());
  EXPECT_EQ(inputs.back().number, -1);
  EXPECT_EQ(inputs.back().name, " Default Device");
  // Released: the choice is stored, the card stays closed until the reclaim.
  snd_close();
  db_set_resources(0);
  SoundView v = soundcard_open();
  v.input_device = -1;
  v.rx_level = 40;
  v.mic_in = false;
  soundcard_ok(v);
  run_executor();
  EXPECT_EQ(sound_card().tx_done_queue, nullptr);
  EXPECT_EQ(db_get_wave_in_device(), -1);
  EXPECT_EQ(db_get_rx_audio_level(), 40);
  EXPECT_FALSE(soundcard_open().mic_in);
  // Claimed: the card is opened again.
  db_set_resources(1);
  soundcard_ok(v);
  run_executor();
  EXPECT_NE(sound_card().tx_done_queue, nullptr);
}

TEST_F(ConfigDialogs, RadioPortParameters) {
  const struct {
    RadioPortView view;
    int field;  // -1: taken
  } cases[] = {{{"NOTE", "0", "8", "N", "1", "00", false}, -1},
               {{"NOTE", "9600", "7", "E", "2", "7A", true}, -1},
               {{"NOTE", "9600", "9", "N", "1", "00", false}, kFieldDataBits},
               {{"NOTE", "9600", "8", "X", "1", "00", false}, kFieldParity},
               {{"NOTE", "9600", "8", "N", "3", "00", false}, kFieldStopBits},
               {{"NOTE", "fast", "8", "N", "1", "00", false}, kFieldBaud},
               {{std::string(40, 'N'), "0", "8", "N", "1", "00", false}, kFieldNote}};
  for (const auto& c : cases) {
    const ConfigOutcome o = radio_port_ok(c.view);
    EXPECT_EQ(o.ok, c.field < 0) << c.view.baud << c.view.data_bits << c.view.parity << c.view.stop_bits;
    EXPECT_EQ(o.field, c.field);
  }
  run_executor();
  const RadioPortView back = radio_port_open();
  EXPECT_EQ(back.baud, "9600");
  EXPECT_EQ(back.parity, "E");
  EXPECT_EQ(back.data_bits, "7");
  EXPECT_EQ(back.stop_bits, "2");
  EXPECT_EQ(back.address, "7A");
  EXPECT_TRUE(back.preconfig_disabled);
}

TEST_F(ConfigDialogs, PluginAndRecorderPathsInTheStationFolder) {
  EXPECT_EQ(plugin_path("radio.so"), station_.path("radio.so").string());
  EXPECT_EQ(plugin_path("/opt/radio.so"), "/opt/radio.so");
  EXPECT_FALSE(dll_filename_ok(std::string(31, 'x')).ok);
  std::filesystem::create_directory(station_.path("rec"));
  const struct {
    std::string path;
    const char* secs;
    int field;
  } cases[] = {{"rec", "1", -1},
               {"", "60", -1},
               {"missing", "1", kFieldRecorderPath},
               {std::string(1024, 'p'), "1", kFieldRecorderPath},
               {"rec", "86401", kFieldRecorderSecs},
               {"CONFIG.DAT", "1", kFieldRecorderPath},  // a file, no folder
               {station_.path("rec").string(), "1", -1}};
  for (const auto& c : cases) EXPECT_EQ(recorder_ok({true, c.secs, c.path}).field, c.field) << c.path.substr(0, 20);
  recorder_ok({true, "1", "rec"});
  const RecorderView v = recorder_open();
  EXPECT_TRUE(v.enabled);
  EXPECT_EQ(v.path, "rec/") << "the folder with its separator, as the recorder puts names after it";
  EXPECT_EQ(v.max_secs, "1");
  // The recorder takes the settings at once: a recording lands inside the folder.
  ASSERT_EQ(rec_is_enabled(), 1);
  ASSERT_EQ(rec_start("F1.wav", "T"), 1);
  rec_stop();
  EXPECT_TRUE(std::filesystem::exists(station_.path("rec/F1.wav"))) << rec_file_path();
  recorder_ok({false, "1", "rec"});
  EXPECT_EQ(rec_is_enabled(), 0);
}

TEST_F(ConfigDialogs, TracingIsClearedBySaves) {
  tracing_ok({true, false, true, false, false, false, true});
  TracingView v = tracing_open();
  EXPECT_TRUE(v.rx_words);
  EXPECT_TRUE(v.states);
  EXPECT_TRUE(v.fs1052);
  db_save();
  v = tracing_open();
  EXPECT_FALSE(v.rx_words || v.states || v.fs1052);
}

TEST_F(ConfigDialogs, EmailAndFtp) {
  email_ok({true, true});
  ftp_ok(true);
  run_executor();
  EXPECT_TRUE(email_open().enabled);
  EXPECT_TRUE(email_open().secure);
  EXPECT_TRUE(ftp_open());
  EXPECT_EQ(db_get_email_enabled(), 1);
}

}  // namespace
}  // namespace vesk
