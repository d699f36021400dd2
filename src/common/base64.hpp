#pragma once
// Standard Base64 (RFC 4648 alphabet, "=" fill at the end, one line).

#include <string>
#include <string_view>

namespace vaultkeep {

std::string codificarBase64(std::string_view bytes);

}  // namespace vaultkeep
