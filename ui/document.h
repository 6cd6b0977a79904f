// The document file: the monitor text as one archived string (a length prefix, then the
// bytes). Save writes it; Open and a document named on the command line read it back.
//
// Length prefix: one byte below 255; else 0xFF and a 16-bit length below 0xFFFE; else 0xFF,
// 0xFFFF and a 32-bit length below 0xFFFFFFFF; else 0xFF, 0xFFFF, 0xFFFFFFFF and a 64-bit
// length. All little-endian.
#pragma once

#include <filesystem>
#include <string>

namespace vesk {

std::string doc_archive_string(const std::string& text);
// False when `bytes` hold no archived string: a length prefix that runs past the end, or a
// wide-character string, which this program never writes.
bool doc_read_archived_string(const std::string& bytes, std::string& text);

// Writes through a temporary file in the same folder and renames it over the old one.
bool doc_save(const std::filesystem::path& path, const std::string& monitor_text);
// Reads a document file; false when it cannot be read or holds no archived string.
bool doc_load(const std::filesystem::path& path, std::string& monitor_text);

// New: both log texts are filed in the daily files and emptied (as Clear Screen does).
void doc_new();
// Open: the file is read first; when it is good, both texts are filed and the monitor text
// becomes the file's. False (and nothing changes) when it cannot be read.
bool doc_open(const std::filesystem::path& path);

}  // namespace vesk
