#pragma once
// Decoding of a server answer's body into the program's UTF-8 text.

#include <string>
#include <string_view>

namespace vaultkeep {

// The "charset" parameter of a Content-Type value (quotes removed), or "" when
// there is none.
std::string charsetDoTipo(std::string_view tipoConteudo);

// The body decoded with the character set its Content-Type names; without one
// (or with one this system does not know), one byte gives one character
// (ISO-8859-1). A byte sequence the named set does not allow becomes U+FFFD.
std::string decodificarCorpo(std::string_view corpo, std::string_view tipoConteudo);

}  // namespace vaultkeep
