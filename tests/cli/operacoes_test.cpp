// backup and restaurar up to the point where the database would be checked:
// the settings they need, the destination, the database file and the local
// restore's file test. Nothing here needs the Firebird server.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>

#include "cli_teste.hpp"
#include "common/paths.hpp"
#include "settings/registry.hpp"
#include "settings/settings.hpp"
#include "support/test_env.hpp"

namespace vaultkeep {
namespace {

namespace fs = std::filesystem;
using teste::rodarCli;

const std::string kIncompletas = "Complete as configurações para poder usar essa função.\n";
const std::string kSelecione = "Selecione o arquivo para ser restaurado.\n";

// An archive file dated `dias` days ago.
fs::path arquivoAntigo(const fs::path& pasta, const std::string& nome, int dias) {
    const fs::path p = pasta / nome;
    teste::escreverArquivo(p, "old archive");
    fs::last_write_time(p, fs::file_time_type::clock::now() - std::chrono::hours(24 * dias));
    return p;
}

TEST(CliSemConfiguracao, BackupAndRestoreNeedTheFiveSettings) {
    const fs::path zip = teste::novaPasta("arquivos") / "Backup.zip";
    teste::escreverArquivo(zip, "PK");
    const fs::path destino = teste::novaPasta("destino");
    const std::vector<std::vector<std::string>> comandos = {
        {"backup"},
        {"backup", "--destino", destino.string()},
        {"restaurar", zip.string()},
        {"restaurar", "--online", "--sim"},
    };
    auto conferir = [&](const std::string& situacao) {
        for (const auto& args : comandos) {
            const auto r = rodarCli(args);
            EXPECT_EQ(r.codigo, 1) << situacao << " " << args[0];
            EXPECT_EQ(r.saida, kIncompletas) << situacao << " " << args[0];
        }
        EXPECT_FALSE(fs::exists(raizTrabalho())) << situacao;
        EXPECT_TRUE(fs::is_empty(destino)) << situacao;
    };
    conferir("never saved");

    // Four of the five are not enough.
    ChaveRegistro chave;
    chave.gravarTextos({{kValorEstabelecimento, "Loja"},
                        {kValorUrlUpload, "https://s/"},
                        {kValorArquivoBase, zip.string()},
                        {kValorPastaSalvamento, destino.string()}});
    conferir("no URL_GETLINK");
}

class CliOperacoes : public ::testing::Test {
  protected:
    void SetUp() override {
        banco = teste::novaPasta("loja") / "LOJA.FDB";
        teste::escreverArquivo(banco, "the live database");
        backups = teste::novaPasta("backups");
        ASSERT_EQ(salvarConfiguracoes(
                      {"Loja", "https://127.0.0.1:9/api/", banco.string(), backups.string()}),
                  "");
        antigo = arquivoAntigo(backups, "Backup_Vaultkeep_01_01_2020_10_00.zip", 3);
    }

    fs::path banco, backups, antigo;
};

TEST_F(CliOperacoes, BackupStopsAtTheFirstMissingThingAndKeepsTheLastGoodArchive) {
    const std::string semDestino = "Pasta de destino do backup não existe!\n";
    struct Caso {
        std::vector<std::string> args;
        std::string saida;
    };
    const fs::path arquivoComum = teste::raizTeste() / "comum.txt";
    teste::escreverArquivo(arquivoComum, "x");
    const std::vector<Caso> casos = {
        {{"backup", "--destino", (teste::raizTeste() / "nada").string()}, semDestino},
        {{"backup", "--destino="}, semDestino},
        {{"backup", "--destino", arquivoComum.string(), "--online"}, semDestino},
    };
    for (const auto& c : casos) {
        const auto r = rodarCli(c.args);
        EXPECT_EQ(r.codigo, 1) << c.args[2];
        EXPECT_EQ(r.saida, c.saida) << c.args[2];
    }

    // The saved folder gone.
    fs::rename(backups, teste::raizTeste() / "backups-fora");
    auto r = rodarCli({"backup"});
    EXPECT_EQ(r.codigo, 1);
    EXPECT_EQ(r.saida, semDestino);
    fs::rename(teste::raizTeste() / "backups-fora", backups);

    // The database file gone since it was saved.
    fs::rename(banco, banco.string() + ".fora");
    r = rodarCli({"backup"});
    EXPECT_EQ(r.codigo, 1);
    EXPECT_EQ(r.saida, "Arquivo de banco de dados não existe!\n");

    // A failed backup never costs the folder its last archive, and leaves no
    // work folder.
    EXPECT_TRUE(fs::exists(antigo));
    EXPECT_FALSE(fs::exists(raizTrabalho()));
}

TEST_F(CliOperacoes, LocalRestoreWithoutAnArchiveFileRestoresNothing) {
    const fs::path pasta = teste::novaPasta("uma pasta.zip");
    const fs::path link = teste::raizTeste() / "quebrado.zip";
    fs::create_symlink(teste::raizTeste() / "nao-existe.zip", link);
    const fs::path fifo = teste::raizTeste() / "fila.zip";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& caminho : {(teste::raizTeste() / "nada.zip").string(), pasta.string(),
                                       link.string(), fifo.string(), std::string()}) {
        for (bool sim : {false, true}) {
            std::vector<std::string> args{"restaurar", caminho};
            if (sim)
                args.push_back("--sim");
            const auto r = rodarCli(args);
            EXPECT_EQ(r.codigo, 1) << caminho;
            EXPECT_EQ(r.saida, kSelecione) << caminho;
        }
    }
    EXPECT_FALSE(fs::exists(raizTrabalho()));
    EXPECT_EQ(teste::lerArquivo(banco), "the live database");
}

TEST_F(CliOperacoes, OneBackupOrRestoreAtATimeOnTheWorkRoot) {
    const std::string emAndamento =
        "Já existe um backup ou uma restauração em andamento. Aguarde o término e tente "
        "novamente.\n";
    const fs::path zip = teste::novaPasta("arquivos") / "Backup.zip";
    teste::escreverArquivo(zip, "PK");
    const std::string semDestino = (teste::raizTeste() / "nada").string();

    // Another process is in the middle of an operation.
    const std::string trava = raizTrabalho().string() + ".lock";
    const int fd = ::open(trava.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    fs::create_directories(raizTrabalho() / "0123456789ABCDEF0123456789ABCDEF");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"backup", "--destino", semDestino},
          {"restaurar", zip.string(), "--sim"}}) {
        const auto r = rodarCli(args);
        EXPECT_EQ(r.codigo, 1) << args[0];
        EXPECT_EQ(r.saida, emAndamento) << args[0];
    }
    EXPECT_TRUE(fs::exists(raizTrabalho() / "0123456789ABCDEF0123456789ABCDEF"))
        << "the other operation's work folder was removed";

    // Once it ends, the next one runs.
    ::close(fd);
    const auto r = rodarCli({"backup", "--destino", semDestino});
    EXPECT_EQ(r.codigo, 1);
    EXPECT_EQ(r.saida, "Pasta de destino do backup não existe!\n");
}

}  // namespace
}  // namespace vaultkeep
