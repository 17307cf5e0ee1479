#pragma once
// MD5 digests of texts (their UTF-8 bytes) and of files, as 32 hexadecimal digits.
// Pure functions, thread-safe.

#include <string>
#include <string_view>

namespace common {

std::string md5HexLowercase(std::string_view text);
std::string md5HexUppercase(std::string_view text);

// `fileUrl` is a file URL ("file:///path", host empty or "localhost", percent escapes
// allowed). The file is read in 1 MiB chunks, never whole. The empty text when the URL is
// not a file URL or the file cannot be opened or read to its end.
std::string md5OfFile(std::string_view fileUrl);

}  // namespace common
