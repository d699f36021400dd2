#pragma once
// Name masks: "*" matches any run of characters (none included), "?" exactly one
// character, and letters compare without regard to case (the Latin, Greek and
// Cyrillic letters, not only ASCII, as Windows file names compare). "*.*"
// matches every name, as the file search of Windows takes it.

#include <string_view>

namespace vaultkeep {

bool casaMascara(std::string_view mascara, std::string_view nome);

// The reader's rule for an entry name: the mask is tried on the name without a
// trailing "/" and, when that fails, on the name's last component.
bool entradaCasaMascara(std::string_view mascara, std::string_view nomeEntrada);

}  // namespace vaultkeep
