#include "tools/processos.hpp"
#include "common/text.hpp"

namespace vaultkeep {

bool nomeProcessoCorresponde(std::string_view executavel, std::string_view nome) {
    if (nome.empty() || executavel.empty())
        return false;
    const std::string alvo = maiusculasAscii(nome);
    std::string_view semExe;
    if (alvo.size() > 4 && alvo.ends_with(".EXE"))
        semExe = std::string_view(alvo).substr(0, alvo.size() - 4);

    const auto barra = executavel.rfind('/');
    const std::string base = maiusculasAscii(
        barra == std::string_view::npos ? executavel : executavel.substr(barra + 1));
    const std::string inteiro = maiusculasAscii(executavel);
    for (const std::string& candidato : {base, inteiro}) {
        if (candidato == alvo || (!semExe.empty() && candidato == semExe))
            return true;
    }
    return false;
}

}  // namespace vaultkeep
