// The backup pipeline end to end with stand-ins for Firebird: the tools' test
// helper answers as gfix and a copy of sleep named "fbserver" is the server
// process, so every step but the real validation runs for real.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <fstream>
#include <regex>
#include <thread>

#include "backup/archive_listing.hpp"
#include "backup/pipeline.hpp"
#include "backup/work_folder.hpp"
#include "backup/zip_archive.hpp"
#include "common/clock.hpp"
#include "common/paths.hpp"
#include "settings/settings.hpp"
#include "support/firebird_falso.hpp"
#include "support/scripted_ui.hpp"
#include "support/test_env.hpp"
#include "ui/status.hpp"

namespace vaultkeep {
namespace {

namespace fs = std::filesystem;
using teste::escreverArquivo;
using teste::lerArquivo;
using teste::ScriptedUi;

class Pipeline : public ::testing::Test {
  protected:
    void SetUp() override {
        firebird_ = std::make_unique<teste::FirebirdFalso>(AJUDANTE);
        ::setenv("FALSO_GFIX_CODIGO", "0", 1);

        banco = teste::novaPasta("dados") / "LOJA.FDB";
        std::string conteudo;
        for (int i = 0; conteudo.size() < (3u << 20); ++i)
            conteudo += "registro " + std::to_string(i) + ";";
        escreverArquivo(banco, conteudo);
        destino = teste::novaPasta("backups");
        nomeEstabelecimento = "Padaria";
        senhaZip = segredoEmbutido();
        definirMensagemStatus("");
    }

    void TearDown() override { nomeEstabelecimento.clear(); }

    std::vector<fs::path> arquivosEm(const fs::path& pasta) const {
        std::vector<fs::path> r;
        for (const auto& e : fs::directory_iterator(pasta))
            r.push_back(e.path());
        return r;
    }

    std::unique_ptr<teste::FirebirdFalso> firebird_;
    fs::path banco, destino;
};

TEST_F(Pipeline, PreconditionsInOrderBeforeAnythingIsWritten) {
    struct Caso {
        const char* nome;
        std::string estabelecimento, arquivo, pasta;
        bool online;
        const char* status;
    };
    const std::string semNome = "Erro, configure o nome do estabelecimento";
    const std::string semPasta = "Pasta de destino do backup não existe!";
    const std::string semBanco = "Arquivo de banco de dados não existe!";
    const Caso casos[] = {
        {"no name, even without online copy", "", "", "", false, semNome.c_str()},
        {"no name with everything else wrong", "", "/nao/existe.FDB", "/nao/existe", true,
         semNome.c_str()},
        {"empty destination", "P", banco.string(), "", false, semPasta.c_str()},
        {"missing destination", "P", "/nao/existe.FDB", (destino / "nao").string(), false,
         semPasta.c_str()},
        {"destination is a file", "P", banco.string(), banco.string(), false, semPasta.c_str()},
        {"missing database", "P", (destino / "nao.FDB").string(), destino.string(), false,
         semBanco.c_str()},
        {"database is a folder", "P", destino.string(), destino.string(), false, semBanco.c_str()},
    };
    for (const auto& c : casos) {
        nomeEstabelecimento = c.estabelecimento;
        ScriptedUi ui;
        bool chamou = false;
        EXPECT_FALSE(realizarBackup(ui, c.arquivo, c.pasta, c.online, [&] { chamou = true; }))
            << c.nome;
        EXPECT_EQ(mensagemStatus(), c.status) << c.nome;
        EXPECT_EQ(ui.chamadas(), std::vector<std::string>{"loadOrErro(true)"}) << c.nome;
        EXPECT_FALSE(chamou) << c.nome;
        EXPECT_FALSE(fs::exists(raizTrabalho())) << c.nome;
        EXPECT_TRUE(fs::is_empty(destino)) << c.nome;
    }
}

TEST_F(Pipeline, LocalBackupLeavesTheArchiveAndNoWorkFolder) {
    // Leftovers of an interrupted run are cleared first.
    escreverArquivo(raizTrabalho() / "ABC" / "resto.FDB", "resto");
    ScriptedUi ui;
    std::vector<fs::path> noDestinoNaChamada;
    ASSERT_TRUE(realizarBackup(ui, banco.string(), destino.string(), false,
                               [&] { noDestinoNaChamada = arquivosEm(destino); }));
    EXPECT_EQ(mensagemStatus(), "Backup concluído com sucesso!");
    EXPECT_TRUE(ui.chamadas().empty());
    EXPECT_FALSE(fs::exists(raizTrabalho()));

    const auto arquivos = arquivosEm(destino);
    ASSERT_EQ(arquivos.size(), 1u);
    EXPECT_EQ(noDestinoNaChamada, arquivos);  // the callback ran once the archive was there
    EXPECT_TRUE(std::regex_match(arquivos[0].filename().string(),
                                 std::regex(R"(Backup_Vaultkeep_\d\d_\d\d_\d{4}_\d\d_\d\d\.zip)")));
    EXPECT_EQ(listarEntradasZip(arquivos[0].string()), std::vector<std::string>{"LOJA.FDB"});
    const fs::path volta = teste::novaPasta("volta");
    extrairArquivos(ui, arquivos[0].string(), volta.string(), "*.FDB", senhaZip);
    EXPECT_EQ(lerArquivo(volta / "LOJA.FDB"), lerArquivo(banco));
}

TEST_F(Pipeline, DatabaseNotTakenByTheMaskFailsInsteadOfAnEmptyArchive) {
    const fs::path gdb = banco.parent_path() / "loja.gdb";
    fs::rename(banco, gdb);
    ScriptedUi ui;
    bool chamou = false;
    EXPECT_FALSE(realizarBackup(ui, gdb.string(), destino.string(), false, [&] { chamou = true; }));
    EXPECT_EQ(mensagemStatus(),
              "Erro ao compactar o banco de dados: o arquivo de backup ficou sem o banco.");
    EXPECT_EQ(ui.contar("loadOrErro(true)"), 1);
    EXPECT_FALSE(chamou);
    EXPECT_TRUE(fs::is_empty(destino));
    EXPECT_FALSE(fs::exists(raizTrabalho()));
}

TEST_F(Pipeline, DatabaseWrittenWhileItIsCopiedFails) {
    // A writer that keeps appending during the whole run: the copy cannot be whole.
    std::atomic<bool> parar{false};
    std::thread escritor([&] {
        std::ofstream out(banco, std::ios::binary | std::ios::app);
        while (!parar) {
            out << "novo registro;" << std::flush;
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
    });
    ScriptedUi ui;
    const bool r = realizarBackup(ui, banco.string(), destino.string(), false);
    parar = true;
    escritor.join();
    EXPECT_FALSE(r);
    EXPECT_EQ(
        mensagemStatus(),
        "O banco de dados foi alterado durante a cópia. Feche o sistema em todos os computadores e "
        "tente novamente.");
    EXPECT_EQ(ui.contar("loadOrErro(true)"), 1);
    EXPECT_TRUE(fs::is_empty(destino));
    EXPECT_FALSE(fs::exists(raizTrabalho()));
}

TEST_F(Pipeline, ArchiveThatCannotReachTheDestinationFails) {
    // Folders in the way of this minute's and the next minute's archive names.
    const auto agora = std::chrono::system_clock::now();
    for (auto t : {agora, agora + std::chrono::minutes(1)})
        fs::create_directories(destino / nomeArquivoBackup(horaLocal(t)) / "ocupado");
    ScriptedUi ui;
    bool chamou = false;
    EXPECT_FALSE(
        realizarBackup(ui, banco.string(), destino.string(), false, [&] { chamou = true; }));
    EXPECT_EQ(mensagemStatus(), "Erro ao copiar o arquivo de backup para a pasta de destino.");
    EXPECT_EQ(ui.contar("loadOrErro(true)"), 1);
    EXPECT_FALSE(chamou);
    EXPECT_FALSE(fs::exists(raizTrabalho()));
}

TEST_F(Pipeline, OnlineCopyWithoutConnectionKeepsTheLocalArchive) {
    ScriptedUi ui;
    EXPECT_FALSE(realizarBackup(ui, banco.string(), destino.string(), true));
    EXPECT_EQ(mensagemStatus(),
              "Não foi possivel enviar o backup para o servidor, sem conexão com a internet!");
    EXPECT_EQ(ui.chamadas(), std::vector<std::string>{"loadOrErro(true)"});
    EXPECT_EQ(arquivosEm(destino).size(), 1u);
    EXPECT_FALSE(fs::exists(raizTrabalho()));
}

}  // namespace
}  // namespace vaultkeep
