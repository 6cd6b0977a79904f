#include "ui/dialog_fields.h"

#include <cctype>

namespace vesk {

bool dialog_read_long(const std::string& text, long min, long max, long* out, std::size_t max_digits) {
  std::size_t at = 0;
  while (at < text.size() && text[at] == ' ') ++at;
  std::size_t end = text.size();
  while (end > at && text[end - 1] == ' ') --end;
  if (at == end || end - at > max_digits) return false;
  long n = 0;
  for (std::size_t i = at; i < end; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    n = n * 10 + (text[i] - '0');
  }
  if (n < min || n > max) return false;
  *out = n;
  return true;
}

}  // namespace vesk
