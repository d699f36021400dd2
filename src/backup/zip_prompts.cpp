#include "backup/zip_prompts.hpp"

#include "common/codepage.hpp"

namespace vaultkeep {

RespostaFalha perguntarFalha(UiPort& ui, const ErroZip& falha) {
    if (falha.codigo() == kFalhaNomeLongo) {
        const RespostaFalha r = ui.falhaArquivo(falha.what(), false);
        return r == RespostaFalha::Repetir ? RespostaFalha::Ignorar : r;
    }
    return ui.falhaArquivo(
        std::string(falha.what()) + ". File processing error, possibly disk is full", true);
}

std::optional<std::string> perguntarSenha(UiPort& ui, const std::string& nomeEntrada) {
    auto senha = ui.pedirSenha("Password for \"" + nomeEntrada + "\"", "Enter password: ");
    if (!senha)
        return std::nullopt;
    std::size_t pos = 0;
    for (int caracteres = 0; pos < senha->size() && caracteres < 255; ++caracteres)
        proximoCodigo(*senha, pos);
    senha->resize(pos);
    return senha;
}

}  // namespace vaultkeep
