#include "tools/md5.hpp"

#include <openssl/evp.h>

#include <memory>
#include <stdexcept>

#include "common/codepage.hpp"

namespace vaultkeep {

std::string md5Hex(std::string_view texto) {
    std::string bytes;
    bytes.reserve(texto.size());
    for (std::size_t pos = 0; pos < texto.size();) {
        const char32_t cp = proximoCodigo(texto, pos);
        if (cp < 0x80)
            bytes.push_back(static_cast<char>(cp));
        else if (cp > 0xFFFF && cp != kCodigoInvalido)
            bytes += "??";
        else
            bytes.push_back('?');
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int n = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest, &n, EVP_md5(), nullptr) != 1)
        throw std::runtime_error("MD5 is not available");
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned int i = 0; i < n; ++i) {
        out.push_back(kHex[digest[i] >> 4]);
        out.push_back(kHex[digest[i] & 15]);
    }
    return out;
}

}  // namespace vaultkeep
