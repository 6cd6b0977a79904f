// Channel, address, net and key tables of the station database, and the received AMD ring.
//
// Operations that hand out pointers into the image take the caller's `DbLock`: the pointer is
// valid, and may be changed in place, only while that lock is held. Every index that comes
// from outside is checked on both sides.
#pragma once

#include "db/database.h"

namespace vesk {

// Linking-protection keys.
// Each of the 5 records: all zero, then permitted levels := 1 (AL0 only; not valid).
void db_clear_lp_keys();

}  // namespace vesk
