// CALEApp: the windowed program. It reads the command line, builds the main frame (which
// opens the station database), shows it, and once the window shows runs the station's
// start-up; closing the window (File > Exit, the window's close box, SIGINT or SIGTERM) runs
// the shut-down sequence. EXIT and QUIT end the process at once, as in the headless program.
#pragma once

namespace vesk {

class CALEApp {
 public:
  // The whole program; returns its exit status (1 when "ALE.DAT" could not be saved at the
  // end, or the document named on the command line could not be read).
  static int run(int argc, char** argv);
};

}  // namespace vesk
