// The generic radio's command file (type 135) and the plug-in radio library (type 136).
#pragma once

#include <filesystem>
#include <string>

namespace vesk {

// The bytes of a token text: "!A" and a character gives that character, "!D" and a decimal
// number its low byte; everything else is skipped.
std::string generic_parse_tokens(const std::string& text);
// Reads a command file into the table (false, with the operator's notice, when it is missing).
bool generic_load(const std::filesystem::path& file);
// The START and STOP sequences (nothing unless a CHAN line was loaded).
void generic_start();
void generic_stop();

// The plug-in library: loads `file` (a bare name: the program's folder first, then the
// system's library search; a path with a folder: only when absolute). False, with the
// operator's notice, when it cannot be used.
bool radio_plugin_load(const std::string& file);
// Calls the library's entry with a command and its argument (nothing without a library);
// calls are serialised.
int radio_plugin_call(int command, void* argument);

}  // namespace vesk
