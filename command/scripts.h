// Command scripts, macros, DELAY, LOAD CONFIG, HELP and the frequency-file dump.
#pragma once

#include <string>

#include "command/interpreter.h"

namespace vesk {

// Runs a script file of the station folder line by line through the interpreter. Returns 1
// when the file was run, 0 when it could not be opened (a FILE NOT FOUND line is written).
int script_run_file(const std::string& file_name);

// Writes the database tables to a frequency file of the station folder as command lines.
// Returns 1 on success, 0 (with a FILE NOT FOUND line) when the file cannot be written.
int script_dump_database(const std::string& file_name);

void mmi_cmd_macro(MmiLine& line);
void mmi_cmd_delay(MmiLine& line);
void mmi_cmd_load(MmiLine& line);
void mmi_cmd_help(MmiLine& line);
void mmi_cmd_myaddress(MmiLine& line);
void mmi_help_menu();
void mmi_help_topic(const char* topic);

}  // namespace vesk
