#include "cli_teste.hpp"

namespace vaultkeep::teste {

Execucao rodarCli(const std::vector<std::string>& argumentos, OpcoesExecucao op) {
    std::vector<std::string> argv{kProgramaCli};
    argv.insert(argv.end(), argumentos.begin(), argumentos.end());
    if (op.limite == OpcoesExecucao{}.limite)
        op.limite = std::chrono::minutes(3);
    return executarPrograma(argv, op);
}

std::vector<std::string> linhas(const std::string& saida) {
    std::vector<std::string> r;
    std::size_t inicio = 0;
    while (inicio < saida.size()) {
        std::size_t fim = saida.find('\n', inicio);
        if (fim == std::string::npos)
            fim = saida.size();
        std::string l = saida.substr(inicio, fim - inicio);
        if (!l.empty() && l.back() == '\r')
            l.pop_back();
        r.push_back(l);
        inicio = fim + 1;
    }
    return r;
}

}  // namespace vaultkeep::teste
