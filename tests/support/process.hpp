#pragma once
// Runs a program for a test, apart from the code under test: argument vector, no
// shell, standard output and standard error captured together, optional input
// and extra environment, and a time limit after which the program is killed.

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vaultkeep::teste {

struct Execucao {
    int codigo = -1;       // exit status, or 128 + signal
    std::string saida;     // stdout and stderr as they arrived
    bool expirou = false;  // killed at the time limit
};

struct OpcoesExecucao {
    std::filesystem::path pasta;  // working folder (empty: inherited)
    std::map<std::string, std::optional<std::string>> ambiente;  // set, or unset with nullopt
    std::optional<std::string> entrada;  // standard input (empty: /dev/null)
    std::chrono::milliseconds limite{std::chrono::minutes(5)};
};

Execucao executarPrograma(const std::vector<std::string>& argv, const OpcoesExecucao& opcoes = {});

}  // namespace vaultkeep::teste
