// The command line itself: usage errors end with status 2 before anything is
// touched, the help and the version with 0.

#include <gtest/gtest.h>

#include <filesystem>

#include "cli_teste.hpp"
#include "common/paths.hpp"
#include "settings/registry.hpp"

namespace vaultkeep {
namespace {

namespace fs = std::filesystem;
using teste::rodarCli;

struct CasoDeUso {
    std::vector<std::string> argumentos;
    std::string mensagem;
};

TEST(CliUso, UsageErrorsExitWithTwoNameTheFaultAndTouchNothing) {
    const std::vector<CasoDeUso> casos = {
        {{}, "nenhum comando informado"},
        {{"copiar"}, "comando desconhecido: copiar"},
        {{"--force"}, "opção desconhecida: --force"},
        {{"-x"}, "opção desconhecida: -x"},
        {{"config"}, "falta o subcomando de config"},
        {{"config", "apagar"}, "subcomando desconhecido de config: apagar"},
        {{"config", "mostrar", "extra"}, "argumento a mais para config mostrar: extra"},
        {{"config", "salvar", "--estabelecimento", "Loja", "--url", "https://s/", "--base",
          "/tmp/B.FDB"},
         "falta a opção --pasta em config salvar"},
        // A forgotten value is not taken from the next option.
        {{"config", "salvar", "--estabelecimento", "--url", "https://s/", "--base", "/tmp/B.FDB",
          "--pasta", "/tmp"},
         "falta o valor de --estabelecimento"},
        {{"config", "salvar", "--estabelecimento", "A", "--estabelecimento", "B", "--url", "u",
          "--base", "b", "--pasta", "p"},
         "opção repetida: --estabelecimento"},
        {{"backup", "--destino"}, "falta o valor de --destino"},
        {{"backup", "--destino", "--online"}, "falta o valor de --destino"},
        {{"backup", "--online=sim"}, "a opção --online não leva valor"},
        {{"backup", "--nuvem"}, "opção desconhecida para backup: --nuvem"},
        {{"backup", "/srv/backup"}, "argumento a mais para backup: /srv/backup"},
        {{"restaurar"}, "restaurar precisa de um arquivo de backup ou de --online"},
        {{"restaurar", "--sim"}, "restaurar precisa de um arquivo de backup ou de --online"},
        {{"restaurar", "a.zip", "--online"}, "restaurar aceita um arquivo ou --online"},
        {{"restaurar", "a.zip", "b.zip"}, "argumento a mais para restaurar: b.zip"},
        {{"verificar", "a.FDB", "b.FDB"}, "argumento a mais para verificar: b.FDB"},
        {{"verificar", "--online"}, "opção desconhecida para verificar: --online"},
        {{"--version", "backup"}, "argumento a mais para --version: backup"},
    };
    for (const auto& caso : casos) {
        std::string linha;
        for (const auto& a : caso.argumentos)
            linha += " [" + a + "]";
        const auto r = rodarCli(caso.argumentos);
        EXPECT_EQ(r.codigo, 2) << linha << "\n" << r.saida;
        EXPECT_NE(r.saida.find("vaultkeep-cli: " + caso.mensagem), std::string::npos)
            << linha << "\n"
            << r.saida;
        EXPECT_NE(r.saida.find("vaultkeep-cli --help"), std::string::npos) << linha;
    }
    // Not even the settings' hive came into being.
    EXPECT_FALSE(fs::exists(ChaveRegistro::arquivoHive()));
    EXPECT_FALSE(fs::exists(raizTrabalho()));
}

TEST(CliUso, HelpIsPortugueseAndNamesEveryCommand) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--help"},
                                                 {"-h"},
                                                 {"backup", "--help"},
                                                 {"restaurar", "a.zip", "-h"},
                                                 {"copiar", "--help"}}) {
        const auto r = rodarCli(args);
        ASSERT_EQ(r.codigo, 0) << args[0] << "\n" << r.saida;
        for (const char* trecho :
             {"Uso:", "vaultkeep-cli config mostrar",
              "vaultkeep-cli config salvar --estabelecimento NOME --url URL --base ARQUIVO "
              "--pasta PASTA",
              "vaultkeep-cli backup [--destino PASTA] [--online]",
              "vaultkeep-cli restaurar ARQUIVO.zip [--sim]", "vaultkeep-cli restaurar --online",
              "vaultkeep-cli verificar [ARQUIVO.FDB]", "Código de saída"})
            EXPECT_NE(r.saida.find(trecho), std::string::npos) << trecho;
    }
    // After "--" it is an argument like any other.
    EXPECT_EQ(rodarCli({"verificar", "--", "--help", "extra"}).codigo, 2);
}

TEST(CliUso, VersionIsTheCoreVersion) {
    const auto r = rodarCli({"--version"});
    EXPECT_EQ(r.codigo, 0);
    EXPECT_EQ(r.saida, "vaultkeep-cli " VAULTKEEP_VERSION "\n");
}

}  // namespace
}  // namespace vaultkeep
