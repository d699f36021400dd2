// The unattended run as the logon entry starts it: the program "vaultkeep auto"
// in an isolated profile, with the real Firebird server and gfix, and the
// reference backup server on loopback.

#include <gtest/gtest.h>

#include <regex>

#include "common/codepage.hpp"
#include "common/paths.hpp"
#include "fixtures/reference_server_process.hpp"
#include "settings/settings.hpp"
#include "support/firebird.hpp"
#include "support/process.hpp"
#include "support/test_env.hpp"
#include "tools/md5.hpp"

namespace vaultkeep {
namespace {

namespace fs = std::filesystem;
using teste::executarPrograma;
using teste::lerArquivo;

struct Entrada {
    std::string titulo, mensagem;
};

// The log's entries, each "Data: ..." / "<title> <message>" / separator.
std::vector<Entrada> entradasLog() {
    const fs::path log = pastaPrograma() / "log.txt";
    if (!fs::exists(log))
        return {};
    const std::string texto = ansiParaUtf8(lerArquivo(log));
    std::vector<Entrada> r;
    const std::string separador = "------------------------------------------- \r\n";
    std::size_t pos = 0;
    for (std::size_t fim; (fim = texto.find(separador, pos)) != std::string::npos;
         pos = fim + separador.size()) {
        const std::string entrada = texto.substr(pos, fim - pos);
        EXPECT_TRUE(
            std::regex_search(entrada, std::regex(R"(^Data: \d\d/\d\d/\d{4} \d\d:\d\d:\d\d\r\n)")))
            << entrada;
        const std::string corpo = entrada.substr(entrada.find("\r\n") + 2);
        const auto espaco = corpo.find(' ');
        r.push_back({corpo.substr(0, espaco), corpo.substr(espaco + 1, corpo.size() - espaco - 3)});
    }
    EXPECT_EQ(pos, texto.size()) << "a torn entry at the end of the log";
    return r;
}

// "HH:mm:ss : <texto>"
::testing::AssertionResult mensagemHora(const std::string& mensagem, const std::string& texto) {
    if (std::regex_match(
            mensagem,
            std::regex(R"(\d\d:\d\d:\d\d : )" +
                       std::regex_replace(texto, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)"))))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << '"' << mensagem << "\" is not the time followed by \" : " << texto << '"';
}

std::vector<fs::path> zips(const fs::path& pasta) {
    std::vector<fs::path> r;
    if (!fs::exists(pasta))
        return r;
    for (const auto& e : fs::recursive_directory_iterator(pasta))
        if (e.path().extension() == ".zip")
            r.push_back(e.path());
    return r;
}

class AutoBackup : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(executarPrograma({VAULTKEEP_SOURCE_DIR "/scripts/firebird", "status"}).codigo, 0)
            << "the Firebird server is not running; start it with scripts/firebird start";
        banco = teste::novaPasta("loja") / "LOJA.FDB";
        teste::criarBancoAmostra(banco, 2000);
        backups = teste::novaPasta("backups");
        armazenamento = teste::novaPasta("servidor");
    }

    void salvar(const std::string& url) {
        ASSERT_EQ(salvarConfiguracoes({"Padaria São João", url, banco.string(), backups.string()}),
                  "");
    }

    teste::Execucao rodar(std::string sonda, std::vector<std::string> antes = {}) {
        teste::OpcoesExecucao op;
        op.ambiente["VAULTKEEP_PROBE_URL"] = std::move(sonda);
        // Should gfix ever run inside the PID namespace below, its process ids must
        // not reach the real server's lock folder.
        if (!antes.empty())
            op.ambiente["FIREBIRD_LOCK"] = teste::novaPasta("trava_firebird").string();
        op.limite = std::chrono::minutes(3);
        antes.push_back(VAULTKEEP_BIN_DIR "/vaultkeep");
        antes.push_back("auto");
        return executarPrograma(antes, op);
    }

    fs::path banco, backups, armazenamento;
};

TEST_F(AutoBackup, SettingsNeverSavedLogOneErrorAndBackNothingUp) {
    const auto r = rodar("http://127.0.0.1:9/");
    EXPECT_EQ(r.codigo, 0) << r.saida;
    const auto e = entradasLog();
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].titulo, "Erro");
    EXPECT_TRUE(
        mensagemHora(e[0].mensagem,
                     "Não foi possivel fazer o auto backup: motivo, as configurações não foram "
                     "completadas."));
    EXPECT_TRUE(zips(backups).empty());
}

TEST_F(AutoBackup, FirebirdServerStoppedStopsBeforeGfix) {
    salvar("https://127.0.0.1:9/palisade/api/");
    // Inside a PID namespace with a /proc of its own no Firebird process is seen.
    const auto r = rodar("http://127.0.0.1:9/", {"unshare", "--pid", "--fork", "--mount-proc"});
    EXPECT_EQ(r.codigo, 0) << r.saida;
    const auto e = entradasLog();
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].titulo, "Erro");
    EXPECT_TRUE(mensagemHora(e[0].mensagem, "O servidor do firebird não está em execução."));
    EXPECT_TRUE(zips(backups).empty());
}

TEST_F(AutoBackup, DamagedDatabaseIsNotBackedUp) {
    teste::zerarPaginaDeDados(banco);
    salvar("https://127.0.0.1:9/palisade/api/");
    const auto r = rodar("http://127.0.0.1:9/");
    EXPECT_EQ(r.codigo, 0) << r.saida;
    const auto e = entradasLog();
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0].titulo, "Resultado");
    EXPECT_NE(e[0].mensagem.find("page errors"), std::string::npos) << e[0].mensagem;
    EXPECT_EQ(e[1].titulo, "Erro");
    EXPECT_TRUE(mensagemHora(e[1].mensagem, "O banco de dados é inválido ou está corrompido."));
    EXPECT_TRUE(zips(backups).empty());
    EXPECT_FALSE(fs::exists(raizTrabalho()));
}

TEST_F(AutoBackup, NoConnectionKeepsTheLocalArchive) {
    salvar("https://127.0.0.1:9/palisade/api/");
    const auto r = rodar("http://127.0.0.1:9/");
    EXPECT_EQ(r.codigo, 0) << r.saida;
    const auto e = entradasLog();
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0].titulo, "Resultado");
    EXPECT_EQ(e[1].titulo, "Erro");
    EXPECT_TRUE(mensagemHora(
        e[1].mensagem,
        "Não foi possivel enviar o backup para o servidor, sem conexão com a internet!"));
    EXPECT_EQ(zips(backups).size(), 1u);
    EXPECT_FALSE(fs::exists(raizTrabalho()));
}

TEST_F(AutoBackup, ServerRefusingThePasswordKeepsTheLocalArchive) {
    teste::ProcessoServidorReferencia servidor(armazenamento, {"--password", "outra-senha"});
    salvar(servidor.urlUpload() + "palisade/api/");
    const auto r = rodar(servidor.urlDownload());
    EXPECT_EQ(r.codigo, 0) << r.saida;
    const auto e = entradasLog();
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[1].titulo, "Erro");
    EXPECT_TRUE(mensagemHora(
        e[1].mensagem,
        "Erro ao enviar backup para o servidor, contate o suporte. HTTP/1.1 401 Unauthorized"))
        << e[1].mensagem;
    EXPECT_EQ(zips(backups).size(), 1u);
    EXPECT_TRUE(zips(armazenamento).empty());
}

TEST_F(AutoBackup, SuccessLeavesTheArchiveInTheFolderAndOnTheServer) {
    teste::ProcessoServidorReferencia servidor(armazenamento);
    salvar(servidor.urlUpload() + "palisade/api/");
    const auto r = rodar(servidor.urlDownload());
    EXPECT_EQ(r.codigo, 0) << r.saida;
    const auto e = entradasLog();
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0].titulo, "Resultado");
    EXPECT_EQ(e[1].titulo, "Informação");
    EXPECT_TRUE(mensagemHora(e[1].mensagem, "Backup realizado com sucesso"));

    const auto locais = zips(backups);
    ASSERT_EQ(locais.size(), 1u);
    const fs::path noServidor = armazenamento / md5Hex("Padaria São João") / locais[0].filename();
    ASSERT_TRUE(fs::exists(noServidor));
    EXPECT_EQ(lerArquivo(noServidor), lerArquivo(locais[0]));
    EXPECT_FALSE(fs::exists(raizTrabalho()));

    // Another tool opens it with the built-in password and finds the database whole.
    const fs::path volta = teste::novaPasta("volta");
    const auto u = executarPrograma(
        {"unzip", "-q", "-P", segredoEmbutido(), locais[0].string(), "-d", volta.string()});
    ASSERT_EQ(u.codigo, 0) << u.saida;
    EXPECT_EQ(lerArquivo(volta / "LOJA.FDB"), lerArquivo(banco));
}

}  // namespace
}  // namespace vaultkeep

namespace vaultkeep {
namespace {

// Only a first argument of exactly "auto" starts the unattended run; anything
// else is the interactive mode, which this build does not have yet.
TEST(StartMode, OnlyAnExactFirstArgumentAutoRunsTheBackup) {
    struct Caso {
        std::vector<std::string> argumentos;
        bool automatico;
    };
    const Caso casos[] = {
        {{"auto"}, true},
        {{"auto", "AUTO", "--x"}, true},
        {{}, false},
        {{"AUTO"}, false},
        {{"Auto"}, false},
        {{" auto"}, false},
        {{"x", "auto"}, false},
        {{"auto "}, false},
    };
    for (const auto& c : casos) {
        std::filesystem::remove(pastaPrograma() / "log.txt");
        std::vector<std::string> argv{VAULTKEEP_BIN_DIR "/vaultkeep"};
        argv.insert(argv.end(), c.argumentos.begin(), c.argumentos.end());
        const auto r = teste::executarPrograma(argv);
        const std::string caso = ::testing::PrintToString(c.argumentos);
        EXPECT_EQ(r.codigo, c.automatico ? 0 : 1) << caso << r.saida;
        // The unattended run always leaves its outcome in the log (here: the
        // settings were never saved).
        EXPECT_EQ(std::filesystem::exists(pastaPrograma() / "log.txt"), c.automatico) << caso;
    }
}

}  // namespace
}  // namespace vaultkeep
