// vesk-ale-sim: several whole stations in one process on simulated time, joined by a
// simulated ether; command lines at given times; every log line printed, oldest first.
#include <cstdio>
#include <string>
#include <vector>

#include "sim/multi_station.h"

namespace {

void usage() {
  std::fprintf(stderr,
               "usage: vesk-ale-sim --station NAME:DIR [--station NAME:DIR ...]\n"
               "                    [--channel clean|awgn|good|moderate|poor|flutter] [--snr DB]\n"
               "                    [--snr-at FREQ_HZ:DB ...] [--snr-from SECONDS:DB ...] [--seed N]\n"
               "                    [--start UTC] [--seconds S]\n"
               "                    [--clock NAME:SECONDS ...] [--at SECONDS:NAME:COMMAND LINE ...]\n"
               "                    [--host-ports] [--keep] [--spectrum]\n"
               "  UTC: YYYY-MM-DDTHH:MM:SS or seconds since 1970 (default 2026-01-01T00:00:00)\n"
               "  Each station runs in a scratch copy of its folder; the folders are not changed.\n"
               "  The COMMAND LINE @SENDFILE requests the file transfer that DBMFTP prepared;\n"
               "  @MIL110OPTIONS LINK TWX [CARRIER RATE] is the modem options dialog's OK (LINK 0 ASYNC,\n"
               "  1 FS1052; TWX 0 OFF, 1 LINKED, 2 ALWAYS; CARRIER 1200, 1500 or 1800 Hz and RATE 6400,\n"
               "  7200, 8000 or 9600 chosen first); @MIL110 ADDRESS FILE is the MIL-STD 188-110 message\n"
               "  dialog's OK with the text of FILE (idle: queued and the station calls ADDRESS).\n"
               "  @SENDFILE MODEM sends the prepared file over the serial-tone modem path instead.\n"
               "  --snr-from SECONDS:DB: from that simulated time on the SNR is DB (a channel that\n"
               "  changes during the run; --snr-at still decides on its frequencies).\n"
               "  --clock sets a station's UTC clock that many seconds ahead (negative: behind).\n"
               "  --host-ports: each station's TCP host port listens on a free local port (named in\n"
               "  its log), and the run keeps pace with real time for the clients.\n"
               "  --keep: the scratch copies of the station folders are left, their paths printed.\n"
               "  --spectrum: each transmission is reported as it ends, with the centre of its spectrum.\n");
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  for (const std::string& a : args)
    if (a == "--help" || a == "-h") {
      usage();
      return 0;
    }
  vesk::SimOptions options;
  const std::string error = vesk::sim_parse_args(args, &options);
  if (!error.empty()) {
    std::fprintf(stderr, "vesk-ale-sim: %s\n", error.c_str());
    usage();
    return 2;
  }
  const int rc = vesk::sim_run(options, [&options](const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    // Clients of the host ports read the lines as they come (the port numbers, the reports).
    if (options.host_ports) std::fflush(stdout);
  });
  std::fflush(stdout);
  return rc;
}
