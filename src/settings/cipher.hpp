#pragma once
// The settings cipher: turns the built-in ciphertext into the secret that serves
// as the backup server's key and the archives' password, so that neither is kept
// in the program as plain text. The algorithm is fixed bit for bit: archives and
// servers made by earlier builds depend on the very same secret.
//
// Texts become bytes through Windows-1252 and back. Neither operation reports an
// error: any failure gives the empty text.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vaultkeep {

// Base64 ciphertext of `s` under the built-in passphrase.
std::string encriptarstr(std::string_view s);

// Plain text of the Base64 ciphertext `s`; the empty text on any failure.
std::string desencriptarstr(std::string_view s);

// The 16-byte key digest of a byte sequence (exposed for its known vectors).
std::array<std::uint8_t, 16> digestoChave(std::string_view bytes);

}  // namespace vaultkeep
