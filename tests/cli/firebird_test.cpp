// verificar and backup against the real Firebird server and gfix, and the
// reference backup server for the online copy.

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>

#include "cli_teste.hpp"
#include "common/paths.hpp"
#include "fixtures/reference_server_process.hpp"
#include "programa_em_terminal.hpp"
#include "settings/settings.hpp"
#include "support/firebird.hpp"
#include "support/loopback.hpp"
#include "support/test_env.hpp"
#include "tools/md5.hpp"

namespace vaultkeep {
namespace {

namespace fs = std::filesystem;
using teste::linhas;
using teste::rodarCli;

const std::string kSucessoGfix = "Teste de integridade finalizado com sucesso.";
const std::string kCorrompido = "O banco de dados é inválido ou está corrompido.";
const std::vector<std::string> kPassosBackup = {
    kSucessoGfix, "Iniciando...", "Compactando arquivo...", "Backup concluído com sucesso!"};
const std::string kSemConexao =
    "Não foi possivel enviar o backup para o servidor, sem conexão com a internet!";

std::vector<fs::path> zips(const fs::path& pasta) {
    std::vector<fs::path> r;
    for (const auto& e : fs::recursive_directory_iterator(pasta))
        if (e.path().extension() == ".zip")
            r.push_back(e.path());
    std::sort(r.begin(), r.end());
    return r;
}

fs::path arquivoComData(const fs::path& p, int diasAtras) {
    teste::escreverArquivo(p, "an archive of another day");
    fs::last_write_time(p, fs::file_time_type::clock::now() - std::chrono::hours(24 * diasAtras));
    return p;
}

// The archive's database, taken out by another tool with the built-in password.
std::string bancoDoArquivo(const fs::path& zip) {
    const fs::path volta = teste::novaPasta("volta-" + zip.stem().string());
    const auto u = teste::executarPrograma(
        {"unzip", "-q", "-P", segredoEmbutido(), zip.string(), "-d", volta.string()});
    EXPECT_EQ(u.codigo, 0) << u.saida;
    return teste::lerArquivo(volta / "LOJA.FDB");
}

class CliFirebird : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(
            teste::executarPrograma({VAULTKEEP_SOURCE_DIR "/scripts/firebird", "status"}).codigo, 0)
            << "the Firebird server is not running; start it with scripts/firebird start";
        banco = teste::novaPasta("loja") / "LOJA.FDB";
        teste::criarBancoAmostra(banco, 2000);
        backups = teste::novaPasta("backups");
    }

    void salvar(const std::string& url = "https://127.0.0.1:9/palisade/api/") {
        ASSERT_EQ(salvarConfiguracoes({"Padaria São João", url, banco.string(), backups.string()}),
                  "");
    }

    fs::path banco, backups;
};

TEST_F(CliFirebird, VerificarChecksTheGivenOrTheSavedDatabase) {
    const fs::path danificado = banco.parent_path() / "DANIFICADO.FDB";
    fs::copy_file(banco, danificado);
    teste::zerarPaginaDeDados(danificado);
    struct Caso {
        std::vector<std::string> args;
        fs::path cwd;
        bool salvo;
        int codigo;
        std::string saida;
    };
    const std::vector<Caso> casos = {
        {{"verificar"}, {}, false, 1, "O arquivo de banco de dados não existe."},
        {{"verificar", banco.string()}, {}, false, 0, kSucessoGfix},
        {{"verificar", "LOJA.FDB"}, banco.parent_path(), false, 0, kSucessoGfix},
        {{"verificar", danificado.string()}, {}, false, 1, kCorrompido},
        {{"verificar", (banco.parent_path() / "NADA.FDB").string()},
         {},
         false,
         1,
         "O arquivo de banco de dados não existe."},
        {{"verificar"}, {}, true, 0, kSucessoGfix},
        {{"verificar", danificado.string()}, {}, true, 1, kCorrompido},
    };
    for (const auto& c : casos) {
        if (c.salvo)
            salvar();
        teste::OpcoesExecucao op;
        op.pasta = c.cwd;
        const auto r = rodarCli(c.args, op);
        const std::string nome = c.args.size() > 1 ? c.args[1] : "(saved)";
        EXPECT_EQ(r.codigo, c.codigo) << nome << "\n" << r.saida;
        EXPECT_EQ(r.saida, c.saida + "\n") << nome;
    }
}

TEST_F(CliFirebird, BackupPrintsEachStepThenCleansTheSavedFolder) {
    salvar();
    const fs::path antigo = arquivoComData(backups / "Backup_Vaultkeep_01_01_2020_10_00.zip", 3);
    const fs::path antigoDentro = arquivoComData(
        teste::novaPasta("backups/2020") / "Backup_Vaultkeep_02_01_2020_10_00.zip", 5);
    const fs::path deHoje = arquivoComData(backups / "manual.zip", 0);

    const auto r = rodarCli({"backup"});
    EXPECT_EQ(r.codigo, 0) << r.saida;
    EXPECT_EQ(linhas(r.saida), kPassosBackup);

    EXPECT_FALSE(fs::exists(antigo));
    EXPECT_FALSE(fs::exists(antigoDentro));
    const auto agora = zips(backups);
    ASSERT_EQ(agora.size(), 2u);
    EXPECT_EQ(agora[1], deHoje);
    EXPECT_EQ(agora[0].filename().string().rfind("Backup_Vaultkeep_", 0), 0u) << agora[0];
    EXPECT_TRUE(bancoDoArquivo(agora[0]) == teste::lerArquivo(banco));
    EXPECT_FALSE(fs::exists(raizTrabalho()));
}

TEST_F(CliFirebird, BackupToAnotherDestinationStillCleansTheSavedFolder) {
    salvar();
    const fs::path antigo = arquivoComData(backups / "Backup_Vaultkeep_01_01_2020_10_00.zip", 2);
    const fs::path outra = teste::novaPasta("pendrive");

    teste::OpcoesExecucao op;
    op.pasta = teste::raizTeste();
    const auto r = rodarCli({"backup", "--destino", "pendrive", "--sim"}, op);
    EXPECT_EQ(r.codigo, 0) << r.saida;
    EXPECT_EQ(linhas(r.saida), kPassosBackup);
    ASSERT_EQ(zips(outra).size(), 1u);
    EXPECT_TRUE(bancoDoArquivo(zips(outra)[0]) == teste::lerArquivo(banco));
    EXPECT_TRUE(zips(backups).empty()) << "the saved folder got the archive too";
    EXPECT_FALSE(fs::exists(antigo));
}

TEST_F(CliFirebird, ADamagedDatabaseIsNotBackedUpAndTheOldArchiveStays) {
    salvar();
    const fs::path antigo = arquivoComData(backups / "Backup_Vaultkeep_01_01_2020_10_00.zip", 3);
    teste::zerarPaginaDeDados(banco);
    const auto r = rodarCli({"backup", "--online"});
    EXPECT_EQ(r.codigo, 1) << r.saida;
    EXPECT_EQ(linhas(r.saida), std::vector<std::string>{kCorrompido});
    EXPECT_EQ(zips(backups), std::vector<fs::path>{antigo});
}

TEST_F(CliFirebird, OnlineBackupEndsWithTheUploadsResult) {
    const fs::path armazenamento = teste::novaPasta("servidor");
    teste::ProcessoServidorReferencia servidor(armazenamento);
    salvar(servidor.urlUpload() + "palisade/api/");

    // No connection: the archive is made, the result is false.
    auto r = rodarCli({"backup", "--online"});
    EXPECT_EQ(r.codigo, 1) << r.saida;
    auto esperado = kPassosBackup;
    esperado.push_back(kSemConexao);
    EXPECT_EQ(linhas(r.saida), esperado);
    EXPECT_EQ(zips(backups).size(), 1u);
    EXPECT_TRUE(zips(armazenamento).empty());
    fs::remove(zips(backups).at(0));

    teste::OpcoesExecucao op;
    op.ambiente["VAULTKEEP_PROBE_URL"] = servidor.urlDownload();
    r = rodarCli({"backup", "--online"}, op);
    EXPECT_EQ(r.codigo, 0) << r.saida;
    esperado = kPassosBackup;
    esperado.push_back("Salvando cópia online...");
    esperado.push_back("Arquivo enviado com sucesso!");
    EXPECT_EQ(linhas(r.saida), esperado);
    const auto locais = zips(backups);
    ASSERT_EQ(locais.size(), 1u);
    const fs::path noServidor = armazenamento / md5Hex("Padaria São João") / locais[0].filename();
    ASSERT_TRUE(fs::exists(noServidor));
    EXPECT_TRUE(teste::lerArquivo(noServidor) == teste::lerArquivo(locais[0]));
}

// A loopback listener that accepts the connectivity probe and does not answer.
class SondaMuda {
  public:
    SondaMuda() {
        auto escuta = teste::escutarNoLoopback(4);
        porta_ = escuta.porta;
        fd_ = escuta.socket.liberar();
    }
    ~SondaMuda() {
        soltar();
        ::close(fd_);
    }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(porta_) + "/"; }

    // Waits for the probe's connection.
    bool aceitar(std::chrono::milliseconds limite) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(limite.count())) != 1)
            return false;
        conexao_ = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        return conexao_ >= 0;
    }
    // Closes the probe's connection without an answer.
    void soltar() {
        if (conexao_ >= 0)
            ::close(conexao_);
        conexao_ = -1;
    }

  private:
    int fd_ = -1, conexao_ = -1;
    int porta_ = 0;
};

TEST_F(CliFirebird, AReaderOfThePipeSeesEachStatusLineWhileTheBackupRuns) {
    salvar();
    SondaMuda sonda;
    ::setenv("VAULTKEEP_PROBE_URL", sonda.url().c_str(), 1);
    teste::ProgramaEmTerminal cli({teste::kProgramaCli, "backup", "--online"}, true);
    // The backup waits in the connectivity probe: everything before it must be in
    // the pipe already, although the program has not ended.
    ASSERT_TRUE(sonda.aceitar(std::chrono::minutes(2))) << cli.tela();
    const std::string ate = cli.saidaPadrao();
    EXPECT_TRUE(cli.rodando());
    std::string esperado;
    for (const auto& l : kPassosBackup)
        esperado += l + "\n";
    EXPECT_EQ(ate, esperado);

    sonda.soltar();
    EXPECT_EQ(cli.terminar(), 1) << cli.tela();
    EXPECT_EQ(cli.saidaPadrao(), esperado + kSemConexao + "\n");
}

}  // namespace
}  // namespace vaultkeep
