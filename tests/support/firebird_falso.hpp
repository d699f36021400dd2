#pragma once
// Stand-ins for programs, so that process and Firebird paths run without the
// real programs.

#include <filesystem>
#include <string>

#include "support/filho.hpp"

namespace vaultkeep::teste {

// A copy of sleep under another name, in a folder of its own: a process whose
// executable name the test chooses.
std::filesystem::path copiaDeSleep(const std::string& nome);

// Firebird stood in for while the object lives: a copy of sleep named "fbserver"
// runs as the server process, and $VAULTKEEP_TOOLS_DIR names a folder holding
// `ajudante` (the tools tests' helper program, which answers as gfix under that
// name) as "gfix" and an empty libfbclient.so.2.
class FirebirdFalso {
  public:
    explicit FirebirdFalso(const std::filesystem::path& ajudante);

    const std::filesystem::path& ferramentas() const { return ferramentas_; }

  private:
    Filho servidor_;
    std::filesystem::path ferramentas_;
};

}  // namespace vaultkeep::teste
