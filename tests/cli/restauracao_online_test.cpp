// restaurar --online in a pipeline without a terminal and without --sim: the
// archive is looked up and downloaded, the confirmation is answered No, and
// nothing is restored. Needs the reference server and wget, not Firebird.

#include <gtest/gtest.h>

#include "cli_teste.hpp"
#include "common/paths.hpp"
#include "fixtures/reference_server_process.hpp"
#include "restauracao_apoio.hpp"

namespace vaultkeep {
namespace {

namespace fs = std::filesystem;
using teste::linhas;

TEST(CliRestauracaoOnline, WithoutATerminalTheConfirmationIsNoAndNothingIsRestored) {
    teste::ProcessoServidorReferencia servidor(teste::novaPasta("servidor"));
    const fs::path banco = teste::novaPasta("loja") / "LOJA.FDB";
    teste::escreverArquivo(banco, "the live database");
    ASSERT_EQ(salvarConfiguracoes({"Padaria São João", servidor.urlUpload() + "palisade/api/",
                                   banco.string(), teste::novaPasta("backups").string()}),
              "");
    const fs::path outro = teste::novaPasta("outra") / "LOJA.FDB";
    teste::escreverArquivo(outro, "another database");
    ASSERT_TRUE(teste::enviarAoServidor(
        teste::arquivoDeBackup(outro, "Backup_Vaultkeep_04_02_2025_14_30.zip", segredoEmbutido())));

    teste::OpcoesExecucao op;
    op.ambiente["VAULTKEEP_PROBE_URL"] = servidor.urlDownload();
    op.ambiente["http_proxy"] = std::nullopt;
    op.ambiente["no_proxy"] = "127.0.0.1,localhost";
    op.entrada = "s\n";  // piped input is nobody's answer
    op.limite = std::chrono::minutes(2);
    const auto r = teste::rodarCli({"restaurar", "--online"}, op);
    ASSERT_FALSE(r.expirou) << "the confirmation waited without a terminal";
    EXPECT_EQ(r.codigo, 1) << r.saida;
    EXPECT_NE(r.saida.find("do estabelecimento Padaria São João ? [Não]"), std::string::npos)
        << r.saida;
    EXPECT_EQ(linhas(r.saida).back(), "Operação cancelada");
    EXPECT_EQ(teste::lerArquivo(banco), "the live database");
    EXPECT_EQ(std::distance(fs::directory_iterator(banco.parent_path()), {}), 1);
}

}  // namespace
}  // namespace vaultkeep
