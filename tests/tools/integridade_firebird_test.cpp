// The integrity test against the real Firebird 3 server and gfix. The server must
// be running (scripts/firebird start; scripts/test starts it): without it these
// tests fail, they do not skip.

#include <dlfcn.h>
#include <link.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/codepage.hpp"
#include "common/paths.hpp"
#include "support/firebird.hpp"
#include "support/process.hpp"
#include "support/scripted_ui.hpp"
#include "support/test_env.hpp"
#include "tools/integridade.hpp"
#include "tools/log.hpp"
#include "tools/processos.hpp"
#include "ui/status.hpp"

namespace vaultkeep {
namespace {

namespace fs = std::filesystem;
using teste::ScriptedUi;

const char* const kSucesso = "Teste de integridade finalizado com sucesso.";
const char* const kCorrompido = "O banco de dados é inválido ou está corrompido.";
const char* const kErro = "Erro ao realizar o teste de integridade.";
const char* const kEmUso =
    "O banco de dados está em uso. Feche o sistema em todos os computadores e tente novamente.";
const char* const kSemBanco = "O arquivo de banco de dados não existe.";
const char* const kSemFerramenta =
    "O arquivo de teste de integridade não existe. (gfix.exe/fbclient.dll)";
const char* const kSemServidor = "O servidor do firebird não está em execução.";

bool servidorRodando() {
    return processoEmExecucao("firebird") || processoEmExecucao("fbserver");
}

// gfix itself, run by hand, for the premises of the cases.
teste::Execucao gfixDireto(const fs::path& banco) {
    return teste::executarPrograma(
        {"gfix", "-v", "-full", banco.string(), "-user", "SYSDBA", "-pass", "plumtiger"});
}

bool temFraseDeFalha(const std::string& s) {
    for (const char* f : {"database file appears corrupt", "I/O error", "unavailable database",
                          "is not a valid database"})
        if (s.find(f) != std::string::npos)
            return true;
    return false;
}

class IntegridadeFirebird : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(servidorRodando())
            << "the Firebird server is not running; start it with scripts/firebird start";
        definirMensagemStatus("");
    }

    // A sound sample database in a folder of its own.
    static fs::path novoBanco(const std::string& pasta, const std::string& nome = "BASE.FDB") {
        const fs::path banco = teste::novaPasta(pasta) / nome;
        teste::criarBancoAmostra(banco);
        return banco;
    }

    // Runs the test once and checks its result, its status text and its indicator
    // call. Gives the output gfix left in the log, or nothing when no entry was
    // written (and then checks there is no log at all).
    static std::optional<std::string> testar(const fs::path& banco, bool resultado,
                                             const std::string& status) {
        std::error_code ec;
        fs::remove(arquivoLog(), ec);
        ScriptedUi ui;
        EXPECT_EQ(testarIntegridade(ui, banco.string()), resultado) << banco;
        EXPECT_EQ(mensagemStatus(), status) << banco;
        EXPECT_EQ(ui.chamadas(), resultado ? std::vector<std::string>{}
                                           : std::vector<std::string>{"loadOrErro(true)"});
        if (!fs::exists(arquivoLog()))
            return std::nullopt;
        // Exactly one entry: "Resultado", the time, then gfix's output.
        const std::string log = ansiParaUtf8(teste::lerArquivo(arquivoLog()));
        std::smatch m;
        const std::regex entrada(
            "Data: \\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d\r\n"
            "Resultado \\d\\d:\\d\\d:\\d\\d([\\s\\S]*)\r\n-{43} \r\n");
        EXPECT_TRUE(std::regex_match(log, m, entrada)) << log;
        return m.size() > 1 ? m[1].str() : log;
    }
};

TEST_F(IntegridadeFirebird, SoundDatabase) {
    const fs::path banco = novoBanco("sadio");
    EXPECT_EQ(testar(banco, true, kSucesso), std::optional<std::string>(""));
}

TEST_F(IntegridadeFirebird, DamagedPagesStopGfixWithAConsistencyCheck) {
    const fs::path banco = novoBanco("danificado");
    teste::danificarRegistros(banco);
    const auto direto = gfixDireto(banco);
    ASSERT_NE(direto.codigo, 0) << direto.saida;
    ASSERT_FALSE(temFraseDeFalha(direto.saida)) << direto.saida;

    const auto saida = testar(banco, false, kErro);
    ASSERT_TRUE(saida);
    EXPECT_NE(saida->find("internal Firebird consistency check"), std::string::npos) << *saida;
}

TEST_F(IntegridadeFirebird, PageErrorsReportedWithStatusZeroFailTheTest) {
    const fs::path banco = novoBanco("zerada");
    teste::zerarPaginaDeDados(banco);
    const auto direto = gfixDireto(banco);
    ASSERT_EQ(direto.codigo, 0) << direto.saida;
    ASSERT_FALSE(temFraseDeFalha(direto.saida)) << direto.saida;

    const auto saida = testar(banco, false, kCorrompido);
    ASSERT_TRUE(saida);
    EXPECT_TRUE(std::regex_search(*saida, std::regex("Number of [a-z ]*page errors\t: [1-9]")))
        << *saida;
}

TEST_F(IntegridadeFirebird, ACopyTakenWhileAnotherConnectionWrites) {
    const fs::path origem = novoBanco("vivo");
    teste::abrirParaServidor(origem);
    const fs::path copia = teste::novaPasta("copia") / "BASE.FDB";
    teste::copiarDuranteEscrita(origem, copia);
    const auto direto = gfixDireto(copia);
    ASSERT_EQ(direto.codigo, 0) << direto.saida;  // gfix calls it a success by its status

    const auto saida = testar(copia, false, kCorrompido);
    ASSERT_TRUE(saida);
    EXPECT_NE(saida->find("Summary of validation errors"), std::string::npos) << *saida;
    EXPECT_TRUE(std::regex_search(*saida, std::regex("Number of [a-z ]* errors\t: [1-9]")))
        << *saida;

    // The database itself, written by the server, is sound.
    EXPECT_EQ(testar(origem, true, kSucesso), std::optional<std::string>(""));
}

TEST_F(IntegridadeFirebird, HeldByTheServerForAnotherConnection) {
    const fs::path banco = novoBanco("em_uso");
    teste::abrirParaServidor(banco);
    {
        teste::ConexaoServidor conexao(banco);
        const auto saida = testar(banco, false, kEmUso);
        ASSERT_TRUE(saida);
        EXPECT_NE(saida->find("I/O error during \"lock\" operation"), std::string::npos) << *saida;
    }
    EXPECT_EQ(testar(banco, true, kSucesso), std::optional<std::string>(""));
}

TEST_F(IntegridadeFirebird, AFileThatIsNotADatabase) {
    const fs::path arquivo = teste::novaPasta("lixo") / "BASE.FDB";
    std::mt19937 gerador(20240101);
    std::string bytes(100000, '\0');
    for (char& c : bytes)
        c = static_cast<char>(gerador() & 0xFF);
    teste::escreverArquivo(arquivo, bytes);
    const auto saida = testar(arquivo, false, kCorrompido);
    ASSERT_TRUE(saida);
    EXPECT_NE(saida->find("is not a valid database"), std::string::npos) << *saida;
}

TEST_F(IntegridadeFirebird, PathWithBlanksAndAccentedLetters) {
    const fs::path origem = novoBanco("origem");
    const fs::path pasta = teste::novaPasta("Dados do Caixa (versão 2)");
    fs::copy_file(origem, pasta / "Banco Ação.FDB");
    EXPECT_EQ(testar(pasta / "Banco Ação.FDB", true, kSucesso), std::optional<std::string>(""));

    // The same path reaches gfix for a damaged file too: the verdict is gfix's.
    fs::copy_file(origem, pasta / "Cópia Zerada.fdb");
    teste::zerarPaginaDeDados(pasta / "Cópia Zerada.fdb");
    EXPECT_TRUE(testar(pasta / "Cópia Zerada.fdb", false, kCorrompido));
}

TEST_F(IntegridadeFirebird, MissingDatabaseFile) {
    const fs::path pasta = teste::novaPasta("vazia");
    EXPECT_EQ(testar(pasta / "BASE.FDB", false, kSemBanco), std::nullopt);
    EXPECT_EQ(testar(pasta, false, kSemBanco), std::nullopt);  // a folder is no database
}

// The client library's file as the dynamic loader finds it.
fs::path bibliotecaCliente() {
    void* h = ::dlopen("libfbclient.so.2", RTLD_LAZY | RTLD_LOCAL);
    if (!h)
        return {};
    link_map* mapa = nullptr;
    fs::path p;
    if (::dlinfo(h, RTLD_DI_LINKMAP, &mapa) == 0 && mapa)
        p = mapa->l_name;
    ::dlclose(h);
    return p;
}

TEST_F(IntegridadeFirebird, ToolFolderWithoutGfixOrWithoutTheClientLibrary) {
    const fs::path banco = novoBanco("ferramentas");
    const fs::path gfix = localizarPrograma("gfix");
    const fs::path biblioteca = bibliotecaCliente();
    ASSERT_FALSE(gfix.empty());
    ASSERT_FALSE(biblioteca.empty());
    struct Caso {
        const char* pasta;
        bool comGfix;
        bool comBiblioteca;
    };
    const Caso casos[] = {{"so_biblioteca", false, true},
                          {"so_gfix", true, false},
                          {"vazia", false, false},
                          {"completa", true, true}};
    for (const auto& c : casos) {
        const fs::path pasta = teste::novaPasta(std::string("tools_") + c.pasta);
        if (c.comGfix)
            fs::create_symlink(gfix, pasta / "gfix");
        if (c.comBiblioteca)
            fs::create_symlink(biblioteca, pasta / "libfbclient.so.2");
        ::setenv("VAULTKEEP_TOOLS_DIR", pasta.c_str(), 1);
        const bool completa = c.comGfix && c.comBiblioteca;
        const auto saida = testar(banco, completa, completa ? kSucesso : kSemFerramenta);
        EXPECT_EQ(saida.has_value(), completa) << c.pasta;
    }
}

// With no server process to be seen (the test runs again inside a PID namespace
// with a /proc of its own, where no Firebird process exists), the test stops at
// the server check, before it looks at the database.
//
// No Firebird code may run inside that namespace: the engine keeps shared state
// in its lock folder keyed by process ids, and ids from another namespace corrupt
// it for the real server. The database is made outside, and should gfix run
// inside after all (the check under test being broken) it gets a lock folder of
// its own.
TEST(IntegridadeSemServidor, ReportedBeforeAnythingElse) {
    if (const char* banco = std::getenv("VK_TESTE_SEM_SERVIDOR")) {
        ASSERT_FALSE(servidorRodando());
        const fs::path sadio = banco;
        for (const fs::path& p : {sadio, sadio.parent_path() / "nao_existe.FDB"}) {
            ScriptedUi ui;
            EXPECT_FALSE(testarIntegridade(ui, p.string()));
            EXPECT_EQ(mensagemStatus(), kSemServidor);
            EXPECT_EQ(ui.chamadas(), std::vector<std::string>{"loadOrErro(true)"});
        }
        EXPECT_FALSE(fs::exists(arquivoLog()));
        return;
    }
    ASSERT_TRUE(servidorRodando())
        << "the Firebird server is not running; start it with scripts/firebird start";
    const fs::path banco = teste::novaPasta("sadio") / "BASE.FDB";
    teste::criarBancoAmostra(banco, 10);
    teste::OpcoesExecucao op;
    op.ambiente["VK_TESTE_SEM_SERVIDOR"] = banco.string();
    op.ambiente["FIREBIRD_LOCK"] = teste::novaPasta("trava_firebird").string();
    op.limite = std::chrono::minutes(1);
    const fs::path eu = fs::read_symlink("/proc/self/exe");
    const auto r = teste::executarPrograma(
        {"unshare", "--pid", "--fork", "--mount-proc", eu.string(),
         "--gtest_filter=IntegridadeSemServidor.ReportedBeforeAnythingElse"},
        op);
    EXPECT_EQ(r.codigo, 0) << r.saida;
    EXPECT_NE(r.saida.find("[  PASSED  ] 1 test"), std::string::npos) << r.saida;
}

}  // namespace
}  // namespace vaultkeep
