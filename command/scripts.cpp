#include "command/scripts.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "command/cmd_db.h"
#include "command/keywords.h"
#include "db/log.h"
#include "db/database.h"
#include "db/log_lines.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/station.h"

namespace vesk {

namespace {

// A file name from a command line must stay inside its folder.
bool safe_file_name(const char* name) {
  return name[0] != '\0' && std::strchr(name, '/') == nullptr && std::strchr(name, '\\') == nullptr &&
         std::strstr(name, "..") == nullptr;
}

void log_invalid_file_name(const char* name) {
  log_printf("[%s][%s][MMI ERROR: INVALID FILE NAME => %s]\n", log_time_stamp().c_str(),
             log_channel_stamp(db_current_channel_number()).c_str(), name);
}

// Runs every line of an open file; lines longer than the line buffer are reported and
// skipped whole rather than run in pieces.
void run_lines(std::FILE* f, const std::string& file_name) {
  CommandState& cs = command_state();
  char buf[kMmiScriptLineBuffer];
  while (!cs.script_stopped && std::fgets(buf, sizeof buf, f) != nullptr) {
    if (mmi_stop_requested()) {
      log_printf("[%s][%s][MMI: SCRIPT STOPPED, THE STATION IS ENDING => %s]\n", log_time_stamp().c_str(),
                 log_channel_stamp(db_current_channel_number()).c_str(), file_name.c_str());
      cs.script_stopped = true;
      break;
    }
    const std::size_t len = std::strlen(buf);
    if (len == sizeof buf - 1 && buf[len - 1] != '\n' && !std::feof(f)) {
      int c;
      while ((c = std::fgetc(f)) != EOF && c != '\n') {
      }
      log_printf("[%s][%s][MMI ERROR: SCRIPT LINE TOO LONG => %s]\n", log_time_stamp().c_str(),
                 log_channel_stamp(db_current_channel_number()).c_str(), file_name.c_str());
      continue;
    }
    if (++cs.script_lines > kMmiMaxScriptLines) {
      cs.script_stopped = true;
      log_printf("[%s][%s][MMI ERROR: TOO MANY SCRIPT LINES => %s]\n", log_time_stamp().c_str(),
                 log_channel_stamp(db_current_channel_number()).c_str(), file_name.c_str());
      break;
    }
    mmi_run_line(buf);
  }
}

// Runs a file of the station folder as a script, within the nesting bound.
int run_script(const std::string& file_name) {
  CommandState& cs = command_state();
  std::lock_guard<std::recursive_mutex> guard(cs.lock);
  if (cs.script_depth >= kMmiMaxScriptDepth) {
    log_printf("[%s][%s][MMI ERROR: SCRIPTS NESTED TOO DEEP => %s]\n", log_time_stamp().c_str(),
               log_channel_stamp(db_current_channel_number()).c_str(), file_name.c_str());
    return 0;
  }
  std::FILE* f = std::fopen(station().path(file_name).c_str(), "r");
  if (f == nullptr) {
    log_file_not_found(file_name.c_str());
    return 0;
  }
  if (cs.script_depth == 0) {
    cs.script_lines = 0;
    cs.script_stopped = false;
  }
  ++cs.script_depth;
  run_lines(f, file_name);
  --cs.script_depth;
  std::fclose(f);
  return 1;
}

long decimal(const char* word) { return std::strtol(word, nullptr, 10); }

constexpr int64_t kDelayStepMs = 20;

}  // namespace

int script_run_file(const std::string& file_name) { return run_script(file_name); }

void mmi_cmd_macro(MmiLine& line) {
  if (line.count < 2) return line.fail(MMI_ERROR_NOT_ENOUGH_PARAMETERS);
  if (line.count > 2) return line.fail(MMI_ERROR_TOO_MANY_PARAMETERS);
  if (!safe_file_name(line.words[1])) return log_invalid_file_name(line.words[1]);
  run_script(std::string("MACRO/") + line.words[1] + ".MAC");
}

void mmi_cmd_delay(MmiLine& line) {
  if (line.count < 2) return line.fail(MMI_ERROR_NOT_ENOUGH_PARAMETERS);
  if (line.count > 2) return line.fail(MMI_ERROR_TOO_MANY_PARAMETERS);
  long ms = decimal(line.words[1]);
  if (ms < 10) ms = 10;
  if (ms > 1000) ms = 1000;
  // Slept in short steps towards one deadline, so a station that is ending is not held.
  Clock& clock = station().clock();
  const int64_t deadline_ns = clock.mono_ns() + ms * 1000000;
  while (!mmi_stop_requested() && clock.mono_ns() < deadline_ns)
    clock.sleep_until_ns(std::min(deadline_ns, clock.mono_ns() + kDelayStepMs * 1000000));
}

void mmi_cmd_load(MmiLine& line) {
  if (line.count < 2) return line.fail(MMI_ERROR_NOT_ENOUGH_PARAMETERS);
  switch (mmi_lookup_keyword(line.words[1])) {
    case 180:  // DATABASE: the database commands re-read "ALE.DAT"
      mmi_load_database();
      break;
    case 181:  // CONFIG
      if (line.count < 3) return line.fail(MMI_ERROR_NOT_ENOUGH_PARAMETERS);
      if (!safe_file_name(line.words[2])) return log_invalid_file_name(line.words[2]);
      run_script(line.words[2]);
      break;
    case MMI_AMBIGUOUS: line.fail(MMI_ERROR_AMBIGUOUS, line.words[1]); break;
    default: line.fail(MMI_ERROR_NO_COMMAND, line.words[1]); break;
  }
}

void mmi_cmd_help(MmiLine& line) {
  if (line.count == 1)
    mmi_help_menu();
  else
    mmi_help_topic(line.words[1]);
}

void mmi_help_menu() {
  if (display_listing_style() == 2) return;
  static constexpr const char* kMenu[] = {
      "LDG     {STORE},{RESET},{},{},{},{},{},{},\n",
      "LDG     {LOZ},{HIZ},{INDUP},{INDDN},{CAPUP},{CAPDN},{INDSET},{CAPSET},\n",
      "LDG     {VSWR11},{VSWR13},{VSWR15},{VSWR17},{VSWR20,{VSWR25},{VSWR30},\n",
      "LDG     {FREQ, n},{AUTO},{MANUAL},{ACTIVE},{BYPASS},{MEMTUNE,{FULLTUNE},\n",
      "\n",
      "SET     {TXAL,n},{RXAL,n},{TXAM,n},,{DCD,n},{CHAN,n}\n",
      "SET     {ANT, n},{Fvotes,n},{Ferrors,n},{Svotes,n},{Serrors,n},\n",
      "SET     {GROUP, n},{Fvotes,n},{Ferrors,n},{Svotes,n},{Serrors,n},\n",
      "\n",
      "ENABLE  {AQC},{TWX},{POLL(ing)},{TCPECHO}\n",
      "ENABLE  {MOTD},{SCAN},{SOUND},{VOICE},{GPS},{ALLCALLS},{ANYCALLS},\n",
      "DISABLE {AQC},{TWX},{Poll(ing)},{TCPECHO}\n",
      "DISABLE {MOTD},{SCAN},{SOUND},{VOICE},{GPS},{ALLCALLS},{ANYCALLS},\n",
      "\n",
      "GLOBAL ALLCALL {Address, Channel, message }\n",
      "GLOBAL ANYCALL {Address, Channel, message }\n",
      "CALL           {Address ... , message }\n",
      "CLEAR          {Address ... }\n",
      "AMD            {Address, message }\n",
      "\n",
      "LINKED         {}\n",
      "KILL           {}\n",
      "OPTIONS        {}\n",
      "OTHER          {}\n",
      "OWN            {}\n",
      "NET            {}\n",
      "CHANNELS       {}\n",
      "\n",
      "START   {},\n",
      "STOP    {},\n",
      "\n",
      "HELP    {}\n",
      "\n",
      "Most used remote commands, refer to documentation for all user commands.\n",
      "\n",
      "VESK-ALE Man Machine Interface(MMI) HELP Menu\n",
      "\n",
  };
  for (const char* text : kMenu) log_printf("%s", text);
}

void mmi_help_topic(const char* topic) {
  std::FILE* f = safe_file_name(topic) ? std::fopen(station().path(std::string(topic) + ".txt").c_str(), "r")
                                       : nullptr;
  if (f == nullptr) {
    log_printf("* Help on %s not found\n\r", topic);
    return;
  }
  char buf[256];
  while (std::fgets(buf, sizeof buf, f) != nullptr) {
    // A one-letter mark in braces such as {B} disappears; any other closing brace that the
    // walk reaches is dropped. The walk stops at the end of the line whatever the marks.
    std::string shown;
    for (const char* p = buf; *p != '\0';) {
      if (*p == '{') {
        if (p[1] == '\0') break;
        p += 2;
        if (*p == '\0') break;
      }
      if (*p == '}') {
        ++p;
        if (*p == '\0') break;
      }
      shown += *p++;
    }
    log_printf_append("%s\r", shown.c_str());
  }
  std::fclose(f);
}

void mmi_cmd_myaddress(MmiLine&) {
  std::string address;
  {
    DbLock lock;
    if (const OwnAddressRecord* own = db_my_address_record(lock)) address = own->address;
  }
  if (address.empty())
    log_my_address_not_set();
  else
    log_my_address(address.c_str());
}

}  // namespace vesk
