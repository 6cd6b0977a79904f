// vesk-ale: the windowed station (Qt). The same station as vesk-ale-headless, wired the same
// way, with the main window, its views, menus, tool bar and dialogs.
#include "ui/qt/ale_app.h"

int main(int argc, char** argv) { return vesk::CALEApp::run(argc, argv); }
