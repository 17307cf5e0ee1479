#pragma once
// DES encryption of texts: the output of encryption is Base64 text, the input of
// decryption is Base64 text, and a decrypted text must be valid UTF-8.
// Pure functions, thread-safe.

#include <optional>
#include <string>
#include <string_view>

namespace common {

class DesCipher;

enum DesOperation { kDesEncrypt = 0, kDesDecrypt = 1 };

// The first 8 UTF-8 bytes of `key` are both the DES key and the initialisation vector.
// A key shorter than 8 bytes gives nothing: padding it would quietly weaken the key and
// make output that no other implementation reproduces. Encryption gives Base64 text with
// a CR LF between lines of 64 characters. Nothing also for an operation other than 0 or
// 1, input that is not Base64 or not well-padded when decrypting, a decrypted text that
// is not UTF-8, or when the DES cipher is not available.
std::optional<std::string> desCrypt(int operation, std::string_view key, std::string_view input);
std::optional<std::string> desCrypt(int operation, std::string_view key, std::string_view input,
                                    const DesCipher& cipher);

}  // namespace common
