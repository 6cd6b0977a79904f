// The dialogs' number fields as the station reads them: one reader for every box where a whole
// number is typed, so each dialog refuses the same texts.
#pragma once

#include <cstddef>
#include <string>

namespace vesk {

// A whole number of 1 to `max_digits` digits, blanks around it allowed, from `min` to `max`:
// stored in `out` (true); anything else leaves `out` alone (false).
bool dialog_read_long(const std::string& text, long min, long max, long* out, std::size_t max_digits = 10);

}  // namespace vesk
