// The whole online restore: the reference server holds the establishment's
// archives, wget fetches the newest, the person confirms and the real Firebird
// tools check it as it is swapped in.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "backup/zip_archive.hpp"
#include "online/upload.hpp"
#include "restore/messages.hpp"
#include "restore/online_fixture.hpp"
#include "restore/restauracao.hpp"
#include "support/firebird.hpp"
#include "support/scripted_ui.hpp"
#include "tools/processos.hpp"

namespace vaultkeep {
namespace {

namespace fs = std::filesystem;
using teste::lerArquivo;
using teste::nomesNaPasta;

class RestauracaoOnlineFirebird : public teste::RestauracaoOnlineBase {
  protected:
    void SetUp() override {
        ASSERT_TRUE(processoEmExecucao("firebird") || processoEmExecucao("fbserver"))
            << "the Firebird server is not running; start it with scripts/firebird start";
        RestauracaoOnlineBase::SetUp();
    }

    // Sends an archive of a sample database with `linhas` rows under `nome`.
    static fs::path enviarAmostra(const std::string& nome, int linhas) {
        const fs::path banco = teste::novaPasta("banco_" + nome) / "BASE.FDB";
        teste::criarBancoAmostra(banco, linhas);
        const fs::path arquivo =
            teste::criarArquivoBackup(teste::novaPasta("envio_" + nome) / nome, {banco});
        teste::ScriptedUi ui;
        EXPECT_TRUE(enviarCopiaOnline(ui, arquivo.string())) << mensagemStatus();
        return arquivo;
    }
};

TEST_F(RestauracaoOnlineFirebird, TheNewestArchiveIsDownloadedConfirmedAndSwappedIn) {
    teste::criarBancoAmostra(base_, 300);
    const std::string anterior = lerArquivo(base_);
    enviarAmostra("Backup_Vaultkeep_03_02_2025_09_00.zip", 400);
    const std::string maisNovo = "Backup_Vaultkeep_04_02_2025_09_00.zip";
    const fs::path enviado = enviarAmostra(maisNovo, 500);

    teste::ScriptedUi ui;
    ui.responderConfirmacao(true);
    EXPECT_TRUE(restaurarBackup(ui, "online", "")) << mensagemStatus();
    EXPECT_EQ(mensagemStatus(), kMsgRestauracaoConcluida);
    EXPECT_EQ(ui.chamadas(), (std::vector<std::string>{
                                 confirmacao(teste::dataDeHoje()),
                                 std::string("aviso(Vaultkeep|") + kMsgFecheOSistema + ")"}));

    // The work folder keeps the download and the extracted file.
    const fs::path trabalho = pastaDeTrabalho();
    ASSERT_FALSE(trabalho.empty());
    EXPECT_EQ(nomesNaPasta(trabalho), (std::set<std::string>{maisNovo, "BASE.FDB"}));
    EXPECT_TRUE(lerArquivo(trabalho / maisNovo) == lerArquivo(enviado));

    const fs::path conferencia = teste::novaPasta("conferencia");
    UiPortSemPessoa semPessoa;
    extrairArquivos(semPessoa, enviado.string(), conferencia.string(), "*.FDB", segredoEmbutido());
    EXPECT_TRUE(teste::mesmoBancoForaDoCabecalho(base_, conferencia / "BASE.FDB"));
    const fs::path antiga = dados_ / (teste::radicalDeHoje() + ".FDB");
    EXPECT_EQ(nomesNaPasta(dados_), (std::set<std::string>{"BASE.FDB", antiga.filename()}));
    EXPECT_TRUE(lerArquivo(antiga) == anterior);
}

}  // namespace
}  // namespace vaultkeep
