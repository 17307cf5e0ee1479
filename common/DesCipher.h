#pragma once
// DES in CBC mode with PKCS#7 padding, through OpenSSL. OpenSSL 3 keeps DES in its
// "legacy" provider, so the cipher is fetched from a library context of our own that loads
// the legacy and the default providers; the process-wide context stays as it is. When the
// legacy provider cannot be loaded the cipher is unavailable and every run gives nothing.
//
// A DesCipher is immutable once made: thread-safe.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct ossl_lib_ctx_st;
struct ossl_provider_st;
struct evp_cipher_st;

namespace common {

class DesCipher {
  public:
    static constexpr size_t kKeyLength = 8;
    static constexpr size_t kBlockLength = 8;

    // `moduleDirectory`: where to look for the provider modules; empty for OpenSSL's own.
    explicit DesCipher(const std::string& moduleDirectory = {});
    ~DesCipher();
    DesCipher(const DesCipher&) = delete;
    DesCipher& operator=(const DesCipher&) = delete;

    // Made on first use, with OpenSSL's own module directory.
    static const DesCipher& shared();

    bool available() const { return cipher_ != nullptr; }

    // Nothing when the cipher is unavailable, the key or the vector is not 8 bytes, or
    // decryption finds a bad length or bad padding.
    std::optional<std::vector<uint8_t>> run(bool encrypt, std::span<const uint8_t> key,
                                            std::span<const uint8_t> initialisationVector,
                                            std::span<const uint8_t> input) const;

  private:
    ossl_lib_ctx_st* context_ = nullptr;
    ossl_provider_st* legacy_ = nullptr;
    ossl_provider_st* default_ = nullptr;
    evp_cipher_st* cipher_ = nullptr;
};

}  // namespace common
