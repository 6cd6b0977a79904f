#include "db/tables.h"

#include <cstring>

namespace vesk {

void db_clear_lp_keys() {
  DbLock lock;
  for (auto& k : lock.db().lp_keys) {
    std::memset(&k, 0, sizeof k);
    k.levels = 1;
  }
}

}  // namespace vesk
