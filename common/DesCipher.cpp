#include "common/DesCipher.h"

#include <openssl/evp.h>
#include <openssl/provider.h>

#include <climits>
#include <memory>

namespace common {

namespace {

struct CipherContextDeleter {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};

}  // namespace

DesCipher::DesCipher(const std::string& moduleDirectory) {
    context_ = OSSL_LIB_CTX_new();
    if (!context_) return;
    if (!moduleDirectory.empty() &&
        OSSL_PROVIDER_set_default_search_path(context_, moduleDirectory.c_str()) != 1) {
        return;
    }
    legacy_ = OSSL_PROVIDER_load(context_, "legacy");
    default_ = OSSL_PROVIDER_load(context_, "default");
    if (!legacy_ || !default_) return;
    cipher_ = EVP_CIPHER_fetch(context_, "DES-CBC", nullptr);
}

DesCipher::~DesCipher() {
    EVP_CIPHER_free(cipher_);
    if (default_) OSSL_PROVIDER_unload(default_);
    if (legacy_) OSSL_PROVIDER_unload(legacy_);
    OSSL_LIB_CTX_free(context_);
}

const DesCipher& DesCipher::shared() {
    static const DesCipher cipher;
    return cipher;
}

std::optional<std::vector<uint8_t>> DesCipher::run(bool encrypt, std::span<const uint8_t> key,
                                                   std::span<const uint8_t> initialisationVector,
                                                   std::span<const uint8_t> input) const {
    if (!cipher_ || key.size() != kKeyLength || initialisationVector.size() != kBlockLength) {
        return std::nullopt;
    }
    if (input.size() > static_cast<size_t>(INT_MAX) - kBlockLength) return std::nullopt;
    std::unique_ptr<EVP_CIPHER_CTX, CipherContextDeleter> context(EVP_CIPHER_CTX_new());
    if (!context ||
        EVP_CipherInit_ex2(context.get(), cipher_, key.data(), initialisationVector.data(),
                           encrypt ? 1 : 0, nullptr) != 1) {
        return std::nullopt;
    }
    std::vector<uint8_t> output(input.size() + kBlockLength);
    int written = 0, finalWritten = 0;
    if (EVP_CipherUpdate(context.get(), output.data(), &written, input.data(),
                         static_cast<int>(input.size())) != 1 ||
        EVP_CipherFinal_ex(context.get(), output.data() + written, &finalWritten) != 1) {
        return std::nullopt;
    }
    output.resize(static_cast<size_t>(written + finalWritten));
    return output;
}

}  // namespace common
