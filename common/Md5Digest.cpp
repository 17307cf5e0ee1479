#include "common/Md5Digest.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <new>
#include <vector>

#include "common/FileUrl.h"
#include "common/HexDigits.h"

namespace common {

namespace {

constexpr size_t kChunkSize = 1'048'576;

struct DigestContextDeleter {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using DigestContext = std::unique_ptr<EVP_MD_CTX, DigestContextDeleter>;

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

// The whole text is digested, however long: no 32-bit length limit.
std::string md5Hex(std::string_view text, bool upperCase) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(text.data(), text.size(), digest, &length, EVP_md5(), nullptr) != 1) {
        return {};
    }
    return hexDigits({digest, length}, upperCase);
}

std::string md5OfPath(const std::string& path) {
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) return {};
    DigestContext context(EVP_MD_CTX_new());
    if (!context || EVP_DigestInit_ex(context.get(), EVP_md5(), nullptr) != 1) return {};
    std::vector<unsigned char> chunk(kChunkSize);
    for (;;) {
        ssize_t count = ::read(file.get(), chunk.data(), chunk.size());
        if (count == 0) break;
        if (count < 0) {
            if (errno == EINTR) continue;
            // A read error (a folder, an I/O fault) must not pass off a partial digest.
            return {};
        }
        if (EVP_DigestUpdate(context.get(), chunk.data(), static_cast<size_t>(count)) != 1) {
            return {};
        }
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context.get(), digest, &length) != 1) return {};
    return hexDigits({digest, length}, false);
}

}  // namespace

std::string md5HexLowercase(std::string_view text) {
    return md5Hex(text, false);
}

std::string md5HexUppercase(std::string_view text) {
    return md5Hex(text, true);
}

std::string md5OfFile(std::string_view fileUrl) {
    auto path = pathFromFileUrl(fileUrl);
    if (!path) return {};
    try {
        return md5OfPath(*path);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

}  // namespace common
