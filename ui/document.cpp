#include "ui/document.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <system_error>

#include "db/log.h"

namespace vesk {

namespace {

void put_le(std::string& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

bool get_le(const std::string& in, std::size_t& at, int bytes, std::uint64_t& value) {
  if (at > in.size() || in.size() - at < static_cast<std::size_t>(bytes)) return false;
  value = 0;
  for (int i = 0; i < bytes; ++i) value |= static_cast<std::uint64_t>(static_cast<unsigned char>(in[at + i])) << (8 * i);
  at += static_cast<std::size_t>(bytes);
  return true;
}

}  // namespace

std::string doc_archive_string(const std::string& text) {
  std::string out;
  const std::uint64_t n = text.size();
  if (n < 0xFF) {
    put_le(out, n, 1);
  } else if (n < 0xFFFE) {
    put_le(out, 0xFF, 1);
    put_le(out, n, 2);
  } else if (n < 0xFFFFFFFFull) {
    put_le(out, 0xFF, 1);
    put_le(out, 0xFFFF, 2);
    put_le(out, n, 4);
  } else {
    put_le(out, 0xFF, 1);
    put_le(out, 0xFFFF, 2);
    put_le(out, 0xFFFFFFFFull, 4);
    put_le(out, n, 8);
  }
  return out + text;
}

bool doc_read_archived_string(const std::string& bytes, std::string& text) {
  std::size_t at = 0;
  std::uint64_t n = 0;
  if (!get_le(bytes, at, 1, n)) return false;
  if (n == 0xFF) {
    if (!get_le(bytes, at, 2, n)) return false;
    if (n == 0xFFFE) return false;  // the wide-character mark
    if (n == 0xFFFF) {
      if (!get_le(bytes, at, 4, n)) return false;
      if (n == 0xFFFFFFFFull && !get_le(bytes, at, 8, n)) return false;
    }
  }
  if (n > bytes.size() - at) return false;  // the length runs past the file
  text.assign(bytes, at, static_cast<std::size_t>(n));
  return true;
}

bool doc_save(const std::filesystem::path& path, const std::string& monitor_text) {
  std::filesystem::path temp = path;
  temp += ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    const std::string bytes = doc_archive_string(monitor_text);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
      out.close();
      std::error_code ec;
      std::filesystem::remove(temp, ec);
      return false;
    }
  }
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
  if (!ec) return true;
  std::error_code ignored;
  std::filesystem::remove(temp, ignored);
  return false;
}

bool doc_load(const std::filesystem::path& path, std::string& monitor_text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return false;
  return doc_read_archived_string(bytes, monitor_text);
}

void doc_new() { display_clear_monitor(); }

bool doc_open(const std::filesystem::path& path) {
  std::string text;
  if (!doc_load(path, text)) return false;
  log_open_document(text);
  return true;
}

}  // namespace vesk
