// Database commands: ADD, DELETE, RESET, SAVE, LOAD DATABASE, SCANGROUP and the mode words.
#pragma once

#include "command/interpreter.h"

namespace vesk {

inline constexpr int kModeNotAMode = 25;

// The ModeCode of a mode word (exact, case-sensitive); kModeNotAMode and error kind 1 with
// the word when it is none.
int mmi_parse_mode(MmiLine& line, const char* word);

void mmi_cmd_add(MmiLine& line);
void mmi_cmd_delete(MmiLine& line);
void mmi_cmd_reset(MmiLine& line);
void mmi_cmd_save(MmiLine& line);
void mmi_cmd_scangroup(MmiLine& line);
void mmi_load_database();

}  // namespace vesk
