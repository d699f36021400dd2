#pragma once
// Who and where: the computer's and the user's names.

#include <string>

namespace vaultkeep {

// The computer's host name, cut to 15 characters as the Windows computer name is;
// empty when it cannot be read.
std::string nomeDoComputador();

// The name of the user the program runs as. Raises std::system_error with the
// system's text when it cannot be found.
std::string nomeDoUsuario();

}  // namespace vaultkeep
