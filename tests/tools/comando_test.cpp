#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/scripted_ui.hpp"
#include "support/test_env.hpp"
#include "tools/comando.hpp"

namespace vaultkeep {
namespace {

namespace fs = std::filesystem;
const std::string kAjudante = AJUDANTE;

TEST(ExecutarComando, CapturesOutputAndErrorsInArrivalOrder) {
    EXPECT_EQ(executarComando({kAjudante, "intercalar", "3"}, ""),
              "saida 0\nerro 0\nsaida 1\nerro 1\nsaida 2\nerro 2\n");
}

TEST(ExecutarComando, ArgumentsReachTheProgramUntouchedWithoutAShell) {
    const fs::path marca = teste::raizTeste() / "marca";
    const std::vector<std::string> args = {
        "com espaço", "\"aspas\" e 'apóstrofos'", "a; touch " + marca.string(), "$(id)", "*", ""};
    std::vector<std::string> argv{kAjudante, "argumentos"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::string esperado;
    for (const auto& a : args)
        esperado += "[" + a + "]\n";
    EXPECT_EQ(executarComando(argv, ""), esperado);
    EXPECT_FALSE(fs::exists(marca));
}

TEST(ExecutarComando, RunsInTheGivenFolder) {
    const fs::path pasta = teste::novaPasta("trabalho com espaço");
    EXPECT_EQ(executarComando({kAjudante, "pasta"}, pasta.string()), pasta.string());
    EXPECT_EQ(executarComando({kAjudante, "pasta"}, "/"), "/");
}

TEST(ExecutarComando, TakesOutputLargerThanThePipeWhole) {
    const std::string saida = executarComando({kAjudante, "grande", "3000000"}, "");
    EXPECT_EQ(saida.size(), 3000000u);
    EXPECT_EQ(saida.find_first_not_of('x'), std::string::npos);
}

TEST(ExecutarComando, ReportsExitStatusAndSignal) {
    const auto silencioso = executarComandoDetalhado({kAjudante, "codigo", "0"}, "");
    EXPECT_TRUE(silencioso.iniciado);
    EXPECT_EQ(silencioso.codigo, 0);
    EXPECT_EQ(silencioso.saida, "");
    EXPECT_EQ(executarComandoDetalhado({kAjudante, "codigo", "3"}, "").codigo, 3);
    const auto morto = executarComandoDetalhado({kAjudante, "morrer"}, "");
    EXPECT_TRUE(morto.iniciado);
    EXPECT_EQ(morto.codigo, 128 + 9);
}

TEST(ExecutarComando, AProgramThatCannotStartGivesEmptyOutput) {
    const fs::path pasta = teste::novaPasta("x");
    const fs::path semPermissao = pasta / "nao_executavel";
    teste::escreverArquivo(semPermissao, "#!/bin/sh\necho rodou\n");
    ::chmod(semPermissao.c_str(), 0644);
    const fs::path semFormato = pasta / "sem_formato";
    teste::escreverArquivo(semFormato, "echo rodou pelo shell\n");  // no "#!": no shell may run it
    ::chmod(semFormato.c_str(), 0755);
    struct Caso {
        std::vector<std::string> argv;
        std::string pasta;
    };
    const Caso casos[] = {
        {{(pasta / "nao_existe").string()}, ""},
        {{"programa-que-nao-existe-em-lugar-algum"}, ""},
        {{semPermissao.string()}, ""},
        {{semFormato.string()}, ""},
        {{kAjudante, "pasta"}, (pasta / "pasta_que_falta").string()},
        {{}, ""},
    };
    for (const auto& c : casos) {
        const auto r = executarComandoDetalhado(c.argv, c.pasta);
        EXPECT_FALSE(r.iniciado) << (c.argv.empty() ? "(empty)" : c.argv[0]);
        EXPECT_EQ(r.saida, "");
        EXPECT_EQ(executarComando(c.argv, c.pasta), "");
    }
}

TEST(ExecutarEAguardar, ShowsTheSystemsMessageWhenTheProgramCannotStart) {
    const fs::path pasta = teste::novaPasta("x");
    const fs::path semPermissao = pasta / "nao_executavel";
    teste::escreverArquivo(semPermissao, "");
    ::chmod(semPermissao.c_str(), 0644);
    struct Caso {
        std::string programa;
        std::string aviso;
    };
    const Caso casos[] = {
        {(pasta / "wget").string(), "aviso(Vaultkeep|No such file or directory)"},
        {semPermissao.string(), "aviso(Vaultkeep|Permission denied)"},
    };
    for (const auto& c : casos) {
        teste::ScriptedUi ui;
        EXPECT_FALSE(executarEAguardar(ui, c.programa, {"-q", "http://127.0.0.1:9/"}));
        EXPECT_EQ(ui.chamadas(), std::vector<std::string>{c.aviso});
    }
}

TEST(ExecutarEAguardar, ReturnsOnlyAfterTheProgramEnded) {
    const fs::path feito = teste::raizTeste() / "feito com espaço";
    teste::ScriptedUi ui;
    EXPECT_TRUE(executarEAguardar(ui, kAjudante, {"criar", feito.string(), "300"}));
    EXPECT_TRUE(fs::exists(feito));
    EXPECT_TRUE(ui.chamadas().empty());
    // The exit status is not looked at.
    EXPECT_TRUE(executarEAguardar(ui, kAjudante, {"codigo", "7"}));
}

}  // namespace
}  // namespace vaultkeep
