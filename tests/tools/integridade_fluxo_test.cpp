// The integrity test's own steps with a stand-in for gfix (the test helper under
// the name "gfix") and for the server process (a copy of sleep named "fbserver"),
// so that they run without Firebird.

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/codepage.hpp"
#include "support/firebird_falso.hpp"
#include "support/scripted_ui.hpp"
#include "support/test_env.hpp"
#include "tools/integridade.hpp"
#include "tools/log.hpp"
#include "ui/status.hpp"

namespace vaultkeep {
namespace {

namespace fs = std::filesystem;
using teste::escreverArquivo;
using teste::lerArquivo;

class FluxoIntegridade : public ::testing::Test {
  protected:
    void SetUp() override {
        firebird_ = std::make_unique<teste::FirebirdFalso>(AJUDANTE);
        ferramentas_ = firebird_->ferramentas();

        registro_ = teste::raizTeste() / "registro_gfix";
        ::setenv("FALSO_GFIX_REGISTRO", registro_.c_str(), 1);
        banco_ = teste::novaPasta("dados com espaço") / "Banco Ação.FDB";
        escreverArquivo(banco_, "banco");
        definirMensagemStatus("");
    }

    void gfixImprime(const std::string& saida, int codigo) {
        ::setenv("FALSO_GFIX_SAIDA", saida.c_str(), 1);
        ::setenv("FALSO_GFIX_CODIGO", std::to_string(codigo).c_str(), 1);
    }

    std::unique_ptr<teste::FirebirdFalso> firebird_;
    fs::path ferramentas_, registro_, banco_;
};

TEST_F(FluxoIntegridade, RunsGfixFromTheRootFolderWithTheDatabaseAsOneArgument) {
    gfixImprime("", 0);
    teste::ScriptedUi ui;
    EXPECT_TRUE(testarIntegridade(ui, banco_.string()));

    // A relative path reaches gfix as an absolute one.
    fs::current_path(banco_.parent_path());
    EXPECT_TRUE(testarIntegridade(ui, banco_.filename().string()));

    std::string esperado;
    for (int i = 0; i < 2; ++i) {
        for (const std::string& a :
             {(ferramentas_ / "gfix").string(), std::string("-v"), std::string("-full"),
              banco_.string(), std::string("-user"), std::string("SYSDBA"), std::string("-pass"),
              std::string("plumtiger")})
            esperado += "[" + a + "]\n";
        esperado += "cwd=/\n";
    }
    EXPECT_EQ(lerArquivo(registro_), esperado);
    EXPECT_EQ(mensagemStatus(), "Teste de integridade finalizado com sucesso.");
    EXPECT_TRUE(ui.chamadas().empty());
}

TEST_F(FluxoIntegridade, SilentGfixLogsTheTimeAlone) {
    gfixImprime("", 0);
    teste::ScriptedUi ui;
    EXPECT_TRUE(testarIntegridade(ui, banco_.string()));
    const std::string log = lerArquivo(arquivoLog());
    EXPECT_TRUE(
        std::regex_match(log, std::regex("Data: \\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d\r\n"
                                         "Resultado \\d\\d:\\d\\d:\\d\\d\r\n-{43} \r\n")))
        << log;
}

TEST_F(FluxoIntegridade, VerdictsOfTheOutput) {
    struct Caso {
        std::string saida;
        int codigo;
        bool resultado;
        const char* status;
    };
    const Caso casos[] = {
        {"Summary of validation errors\n\tNumber of pointer page warnings\t: 2\n", 0, true,
         "Teste de integridade finalizado com sucesso."},
        {"Summary of validation errors\n\tNumber of database page errors\t: 1\n", 0, false,
         "O banco de dados é inválido ou está corrompido."},
        {"I/O error during \"lock\" operation for file \"x\"\n-Database already opened with "
         "engine instance, incompatible with current\n",
         1, false,
         "O banco de dados está em uso. Feche o sistema em todos os computadores e tente "
         "novamente."},
        {"Your user name and password are not defined.\n", 1, false,
         "Erro ao realizar o teste de integridade."},
    };
    for (const auto& c : casos) {
        fs::remove(arquivoLog());
        gfixImprime(c.saida, c.codigo);
        teste::ScriptedUi ui;
        EXPECT_EQ(testarIntegridade(ui, banco_.string()), c.resultado) << c.saida;
        EXPECT_EQ(mensagemStatus(), c.status);
        EXPECT_EQ(ui.chamadas(), c.resultado ? std::vector<std::string>{}
                                             : std::vector<std::string>{"loadOrErro(true)"});
        // The raw output is logged whatever the verdict.
        EXPECT_NE(ansiParaUtf8(lerArquivo(arquivoLog())).find(c.saida), std::string::npos);
    }
}

TEST_F(FluxoIntegridade, ALogThatCannotBeWrittenFailsTheTestAfterGfixRan) {
    const fs::path bloqueio = teste::raizTeste() / "bloqueio";
    escreverArquivo(bloqueio, "");
    ::setenv("VAULTKEEP_HOME", (bloqueio / "program").c_str(), 1);
    gfixImprime("", 0);
    teste::ScriptedUi ui;
    EXPECT_FALSE(testarIntegridade(ui, banco_.string()));
    EXPECT_EQ(mensagemStatus(), "Erro ao realizar o teste de integridade.");
    EXPECT_EQ(ui.chamadas(), std::vector<std::string>{"loadOrErro(true)"});
    EXPECT_TRUE(fs::exists(registro_)) << "gfix did not run";
}

TEST_F(FluxoIntegridade, AGfixThatCannotStartIsAnError) {
    // Executable, but not a program: starting it fails (and no shell runs it).
    fs::remove(ferramentas_ / "gfix");
    escreverArquivo(ferramentas_ / "gfix", "echo 'Summary of validation errors'\n");
    fs::permissions(ferramentas_ / "gfix", fs::perms::owner_all);
    teste::ScriptedUi ui;
    EXPECT_FALSE(testarIntegridade(ui, banco_.string()));
    EXPECT_EQ(mensagemStatus(), "Erro ao realizar o teste de integridade.");
    EXPECT_EQ(ui.chamadas(), std::vector<std::string>{"loadOrErro(true)"});
}

}  // namespace
}  // namespace vaultkeep
