// restaurar against the real Firebird server and gfix: a local archive answered
// by a person on a pseudo-terminal, --sim in a pipeline without one, the archive
// password asked on the terminal, archives that restore nothing, and the newest
// archive of the reference server.

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "cli_teste.hpp"
#include "common/clock.hpp"
#include "common/paths.hpp"
#include "fixtures/reference_server_process.hpp"
#include "programa_em_terminal.hpp"
#include "restauracao_apoio.hpp"
#include "support/firebird.hpp"

namespace vaultkeep {
namespace {

namespace fs = std::filesystem;
using teste::linhas;
using teste::ProgramaEmTerminal;
using teste::rodarCli;

const std::string kAviso =
    "Por favor feche o sistema em todos os computadores. Após o término da restauração poderá "
    "abrir.";
const std::string kSucesso = "Restauração concluída com sucesso!";

bool contem(const std::string& s, const std::string& trecho) {
    return s.find(trecho) != std::string::npos;
}

std::string hojeComTracos() {
    std::string d = dataCurta(horaLocal());
    for (char& c : d)
        if (c == '/')
            c = '_';
    return d;
}

class CliRestauracao : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(
            teste::executarPrograma({VAULTKEEP_SOURCE_DIR "/scripts/firebird", "status"}).codigo, 0)
            << "the Firebird server is not running; start it with scripts/firebird start";
        // The live database is small; the one in the archives is much larger, so
        // the file at the database path tells which one is there.
        banco = teste::novaPasta("loja") / "LOJA.FDB";
        teste::criarBancoAmostra(banco, 50);
        original = teste::lerArquivo(banco);
        novo = teste::novaPasta("outra") / "LOJA.FDB";
        teste::criarBancoAmostra(novo, 20000);
        ASSERT_EQ(salvarConfiguracoes({"Padaria São João", "https://127.0.0.1:9/palisade/api/",
                                       banco.string(), teste::novaPasta("backups").string()}),
                  "");
        ::setenv("no_proxy", "127.0.0.1,localhost", 1);
        ::unsetenv("http_proxy");
    }

    // The new database is in place and the previous one kept beside it.
    void conferirRestaurado() {
        EXPECT_EQ(fs::file_size(banco), fs::file_size(novo));
        const fs::path guardado = banco.parent_path() / ("BASE_ANTIGA_" + hojeComTracos() + ".FDB");
        ASSERT_TRUE(fs::exists(guardado));
        EXPECT_TRUE(teste::lerArquivo(guardado) == original);
        EXPECT_FALSE(fs::exists(raizTrabalho()));
    }

    // The program waits for the person: a while later it is still there and the
    // live database has not been touched.
    void conferirQueEspera(ProgramaEmTerminal& cli) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        EXPECT_TRUE(cli.rodando()) << "the question did not wait for an answer";
        EXPECT_TRUE(teste::lerArquivo(banco) == original);
        EXPECT_EQ(std::distance(fs::directory_iterator(banco.parent_path()), {}), 1);
    }

    void conferirIntocado() {
        EXPECT_TRUE(teste::lerArquivo(banco) == original) << "the live database changed";
        EXPECT_EQ(std::distance(fs::directory_iterator(banco.parent_path()), {}), 1)
            << "something was left beside the database";
    }

    fs::path banco, novo;
    std::string original;
};

TEST_F(CliRestauracao, APersonConfirmsTheNoticeOnTheTerminal) {
    const auto zip =
        teste::arquivoDeBackup(novo, "Backup_Vaultkeep_04_02_2025_14_30.zip", segredoEmbutido());
    ProgramaEmTerminal cli({teste::kProgramaCli, "restaurar", zip.string()}, true);
    ASSERT_TRUE(cli.esperar(kAviso, std::chrono::minutes(2))) << cli.tela();
    ASSERT_TRUE(cli.esperar("Pressione Enter para continuar."));
    // While the notice waits, the reader of the pipe has seen the steps so far.
    conferirQueEspera(cli);
    EXPECT_TRUE(contem(cli.saidaPadrao(), "Descompactando...\n")) << cli.saidaPadrao();
    cli.digitar("\r");
    ASSERT_EQ(cli.terminar(), 0) << cli.tela() << cli.saidaPadrao();
    EXPECT_EQ(linhas(cli.saidaPadrao()).back(), kSucesso);
    conferirRestaurado();
}

TEST_F(CliRestauracao, ThePasswordOfAnotherArchiveIsAskedOnTheTerminal) {
    const std::string senha = "senha da filial";
    const auto zip = teste::arquivoComOutraSenha(novo, "filial.zip", senha);
    ProgramaEmTerminal cli({teste::kProgramaCli, "restaurar", zip.string()}, true);
    ASSERT_TRUE(cli.esperar("Password for \"LOJA.FDB\"", std::chrono::minutes(2))) << cli.tela();
    ASSERT_TRUE(cli.esperar("Enter password: "));
    EXPECT_EQ(cli.saidaPadrao(), "Descompactando...\n");
    cli.digitar(senha + "\r");
    ASSERT_TRUE(cli.esperar(kAviso, std::chrono::minutes(2))) << cli.tela();
    cli.digitar("\r");
    ASSERT_EQ(cli.terminar(), 0) << cli.tela() << cli.saidaPadrao();
    EXPECT_FALSE(contem(cli.tela(), senha)) << "the password showed on the screen";
    EXPECT_EQ(linhas(cli.saidaPadrao()).back(), kSucesso);
    conferirRestaurado();
}

TEST_F(CliRestauracao, SimInAPipelineRestoresWithoutWaiting) {
    const auto zip =
        teste::arquivoDeBackup(novo, "Backup_Vaultkeep_04_02_2025_14_30.zip", segredoEmbutido());
    teste::OpcoesExecucao op;
    op.pasta = zip.parent_path();
    op.limite = std::chrono::minutes(2);
    const auto r = rodarCli({"restaurar", zip.filename().string(), "--sim"}, op);
    ASSERT_FALSE(r.expirou);
    EXPECT_EQ(r.codigo, 0) << r.saida;
    EXPECT_TRUE(contem(r.saida, kAviso + " [OK]")) << r.saida;
    EXPECT_EQ(linhas(r.saida).front(), "Descompactando...");
    EXPECT_EQ(linhas(r.saida).back(), kSucesso);
    conferirRestaurado();
}

TEST_F(CliRestauracao, ArchivesThatHoldNoUsableDatabaseRestoreNothing) {
    const fs::path lixo = teste::novaPasta("arquivos") / "lixo.zip";
    teste::escreverArquivo(lixo, std::string(4096, 'x'));
    const fs::path danificado = teste::novaPasta("danificada") / "LOJA.FDB";
    fs::copy_file(novo, danificado);
    teste::zerarPaginaDeDados(danificado);
    struct Caso {
        fs::path zip;
        bool sim;
        std::string ultima;
    };
    const std::vector<Caso> casos = {
        {lixo, true, "Erro ao descompactar arquivo!"},
        // Nobody can give another archive's password: it is cancelled.
        {teste::arquivoComOutraSenha(novo, "filial.zip", "senha da filial"), false,
         "Erro na restauração: Arquivo não existe"},
        {teste::arquivoComOutraSenha(novo, "filial2.zip", "senha da filial"), true,
         "Erro na restauração: Arquivo não existe"},
        {teste::arquivoDeBackup(danificado, "danificado.zip", segredoEmbutido()), true,
         "O banco de dados é inválido ou está corrompido."},
    };
    for (const auto& c : casos) {
        std::vector<std::string> args{"restaurar", c.zip.string()};
        if (c.sim)
            args.push_back("--sim");
        const auto r = rodarCli(args);
        EXPECT_EQ(r.codigo, 1) << c.zip << "\n" << r.saida;
        ASSERT_FALSE(linhas(r.saida).empty());
        EXPECT_EQ(linhas(r.saida).back(), c.ultima) << c.zip << "\n" << r.saida;
        conferirIntocado();
    }
}

TEST_F(CliRestauracao, TheNewestArchiveOfTheServerConfirmedOnTheTerminal) {
    teste::ProcessoServidorReferencia servidor(teste::novaPasta("servidor"));
    ASSERT_EQ(salvarConfiguracoes({"Padaria São João", servidor.urlUpload() + "palisade/api/",
                                   banco.string(), (teste::raizTeste() / "backups").string()}),
              "");
    ASSERT_TRUE(teste::enviarAoServidor(
        teste::arquivoDeBackup(novo, "Backup_Vaultkeep_04_02_2025_14_30.zip", segredoEmbutido())));
    ::setenv("VAULTKEEP_PROBE_URL", servidor.urlDownload().c_str(), 1);

    ProgramaEmTerminal cli({teste::kProgramaCli, "restaurar", "--online"}, true);
    ASSERT_TRUE(cli.esperar("Backup encontrado, deseja restaurar o backup do dia " +
                                dataCurta(horaLocal()) + "  do estabelecimento Padaria São João ?",
                            std::chrono::minutes(2)))
        << cli.tela() << cli.saidaPadrao();
    ASSERT_TRUE(cli.esperar("[S]im / [N]ão (Enter = Sim): "));
    conferirQueEspera(cli);
    cli.digitar("s\r");
    ASSERT_TRUE(cli.esperar(kAviso, std::chrono::minutes(2))) << cli.tela() << cli.saidaPadrao();
    cli.digitar("\r");
    ASSERT_EQ(cli.terminar(), 0) << cli.tela() << cli.saidaPadrao();
    EXPECT_EQ(linhas(cli.saidaPadrao()).back(), kSucesso);
    EXPECT_EQ(fs::file_size(banco), fs::file_size(novo));
}

TEST_F(CliRestauracao, SimRestoresTheNewestArchiveOfTheServerInAPipeline) {
    teste::ProcessoServidorReferencia servidor(teste::novaPasta("servidor"));
    ASSERT_EQ(salvarConfiguracoes({"Padaria São João", servidor.urlUpload() + "palisade/api/",
                                   banco.string(), (teste::raizTeste() / "backups").string()}),
              "");
    ASSERT_TRUE(teste::enviarAoServidor(
        teste::arquivoDeBackup(novo, "Backup_Vaultkeep_04_02_2025_14_30.zip", segredoEmbutido())));
    teste::OpcoesExecucao op;
    op.ambiente["VAULTKEEP_PROBE_URL"] = servidor.urlDownload();
    op.limite = std::chrono::minutes(2);
    const auto r = rodarCli({"restaurar", "--online", "--sim"}, op);
    ASSERT_FALSE(r.expirou);
    EXPECT_EQ(r.codigo, 0) << r.saida;
    EXPECT_TRUE(contem(r.saida, "Backup encontrado, deseja restaurar o backup do dia ")) << r.saida;
    EXPECT_TRUE(contem(r.saida, "Padaria São João ? [Sim]")) << r.saida;
    EXPECT_EQ(linhas(r.saida).back(), kSucesso);
    EXPECT_EQ(fs::file_size(banco), fs::file_size(novo));
}

}  // namespace
}  // namespace vaultkeep
