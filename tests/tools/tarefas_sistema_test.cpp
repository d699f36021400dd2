#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/text.hpp"
#include "support/process.hpp"
#include "support/test_env.hpp"
#include "tools/sistema.hpp"
#include "tools/tarefas.hpp"

namespace vaultkeep {
namespace {

namespace fs = std::filesystem;

TEST(Tarefas, TheListIsTheNamesOfTheAutostartEntries) {
    EXPECT_TRUE(listarTarefas().empty());  // no autostart folder yet
    EXPECT_FALSE(tarefaExiste("VAULTKEEP_10_LOGON"));

    const fs::path pasta = teste::raizTeste() / "home/.config/autostart";
    ASSERT_EQ(pastaTarefas(), pasta);
    teste::escreverArquivo(pasta / "VAULTKEEP_10_LOGON.desktop", "[Desktop Entry]\n");
    teste::escreverArquivo(pasta / "VAULTKEEP_10_SHUTDOWN.desktop", "[Desktop Entry]\n");
    teste::escreverArquivo(pasta / "OUTRA_TAREFA.txt", "");
    fs::create_directories(pasta / "pasta.desktop");
    EXPECT_EQ(listarTarefas(),
              (std::vector<std::string>{"VAULTKEEP_10_LOGON", "VAULTKEEP_10_SHUTDOWN"}));

    struct Caso {
        const char* nome;
        bool existe;
    };
    const Caso casos[] = {
        {"VAULTKEEP_10_LOGON", true},
        {"VAULTKEEP_10", true},  // a substring of an entry's name is enough
        {"10_SHUTDOWN", true},
        {"vaultkeep_10_logon", false},  // case counts
        {"VAULTKEEP_10_LOGON.desktop", false},
        {"OUTRA_TAREFA", false},
        {"pasta", false},
        {"", false},
    };
    for (const auto& c : casos)
        EXPECT_EQ(tarefaExiste(c.nome), c.existe) << c.nome;
}

TEST(Sistema, UserAndComputerNamesAgreeWithTheSystemTools) {
    const auto id = teste::executarPrograma({"id", "-un"});
    ASSERT_EQ(id.codigo, 0);
    EXPECT_EQ(nomeDoUsuario(), aparar(id.saida));

    const auto host = teste::executarPrograma({"hostname"});
    ASSERT_EQ(host.codigo, 0);
    EXPECT_EQ(nomeDoComputador(), aparar(host.saida).substr(0, 15));
}

}  // namespace
}  // namespace vaultkeep
