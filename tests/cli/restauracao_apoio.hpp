#pragma once
// Archives and server uploads for the restore tests of vaultkeep-cli.

#include <filesystem>
#include <stdexcept>
#include <string>

#include "backup/zip_archive.hpp"
#include "online/upload.hpp"
#include "settings/settings.hpp"
#include "support/scripted_ui.hpp"
#include "support/test_env.hpp"

namespace vaultkeep::teste {

// An archive `nome` (in a folder of its own) holding `banco` under the entry
// name LOJA.FDB, encrypted with `senha`.
inline std::filesystem::path arquivoDeBackup(const std::filesystem::path& banco,
                                             const std::string& nome, const std::string& senha) {
    const auto fonte = novaPasta("fonte-" + nome);
    std::filesystem::copy_file(banco, fonte / "LOJA.FDB");
    const auto zip = novaPasta("arquivos") / nome;
    ScriptedUi ui;
    compactarArquivos(ui, zip.string(), fonte.string(), "*.FDB", senha);
    removerArvore(fonte);
    return zip;
}

// An archive like arquivoDeBackup's under another password that the built-in
// password is seen not to open. The format checks a password against one byte,
// so one archive in 256 would let the built-in password through to a garbled
// entry; such archives are made again.
inline std::filesystem::path arquivoComOutraSenha(const std::filesystem::path& banco,
                                                  const std::string& nome,
                                                  const std::string& senha) {
    for (int tentativa = 0; tentativa < 20; ++tentativa) {
        const auto zip = arquivoDeBackup(banco, nome, senha);
        const auto sonda = novaPasta("sonda-" + nome);
        ScriptedUi ui;  // answers the password prompt with Cancel
        extrairArquivos(ui, zip.string(), sonda.string(), "*.FDB", segredoEmbutido());
        removerArvore(sonda);
        if (ui.contar("pedirSenha") == 1 && ui.contar("falhaArquivo") == 0)
            return zip;
        std::filesystem::remove(zip);
    }
    throw std::runtime_error("the built-in password kept passing the archive's check");
}

// Puts the archive on the server the saved settings name, as a backup of the
// saved establishment would; false when the server refused it.
inline bool enviarAoServidor(const std::filesystem::path& zip) {
    carregarConfiguracoesDeVariaveis();
    ScriptedUi ui;
    return enviarCopiaOnline(ui, zip.string());
}

}  // namespace vaultkeep::teste
