#include <algorithm>

#include "common/paths.hpp"
#include "common/text.hpp"
#include "tools/tarefas.hpp"

namespace vaultkeep {

namespace fs = std::filesystem;

fs::path pastaTarefas() {
    return pastaConfiguracao() / "autostart";
}

std::vector<std::string> listarTarefas() {
    std::vector<std::string> nomes;
    try {
        std::error_code ec;
        for (fs::directory_iterator it(pastaTarefas(), ec), fim; !ec && it != fim;
             it.increment(ec)) {
            const std::string nome = it->path().filename().string();
            constexpr std::string_view kSufixo = ".desktop";
            if (nome.size() <= kSufixo.size() || !nome.ends_with(kSufixo))
                continue;
            std::error_code ec2;
            if (it->is_directory(ec2))
                continue;
            nomes.push_back(nome.substr(0, nome.size() - kSufixo.size()));
        }
        std::sort(nomes.begin(), nomes.end());
    } catch (...) {
        nomes.clear();
    }
    return nomes;
}

bool tarefaExiste(const std::string& nome) {
    if (nome.empty())
        return false;
    try {
        const auto nomes = listarTarefas();
        return std::any_of(nomes.begin(), nomes.end(),
                           [&](const std::string& t) { return contem(t, nome); });
    } catch (...) {
        return false;
    }
}

}  // namespace vaultkeep
