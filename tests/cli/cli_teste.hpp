#pragma once
// Running vaultkeep-cli in the tests.

#include <string>
#include <vector>

#include "support/process.hpp"

namespace vaultkeep::teste {

inline const std::string kProgramaCli = VAULTKEEP_BIN_DIR "/vaultkeep-cli";

// Runs vaultkeep-cli with `argumentos` in a pipeline without a terminal (standard
// input /dev/null), in the test's isolated profile plus `op.ambiente`.
Execucao rodarCli(const std::vector<std::string>& argumentos, OpcoesExecucao op = {});

// The lines of an output, without their line breaks (CR LF or LF).
std::vector<std::string> linhas(const std::string& saida);

}  // namespace vaultkeep::teste
