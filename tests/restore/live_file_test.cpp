// Whether another process holds the live database file: through a descriptor
// (seen by device and inode), or through a lock when the holder's descriptors
// cannot be looked at (the Firebird server runs as another user).

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "restore/live_file.hpp"
#include "restore/restore_fixture.hpp"
#include "support/firebird.hpp"
#include "support/test_env.hpp"

namespace vaultkeep {
namespace {

namespace fs = std::filesystem;
using teste::ProcessoComArquivo;

TEST(ArquivoAberto, HoldersByDescriptor) {
    const fs::path pasta = teste::novaPasta("dados");
    const fs::path base = pasta / "BASE.FDB";
    teste::escreverArquivo(base, "banco");
    fs::create_hard_link(base, pasta / "OUTRO_NOME.FDB");
    const fs::path gemeo =
        teste::novaPasta("outra") / "BASE.FDB";  // same name and bytes, another file
    teste::escreverArquivo(gemeo, "banco");

    EXPECT_EQ(programaComArquivoAberto(base), std::nullopt) << "nobody holds it yet";
    {
        const int proprio = ::open(base.c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(proprio, 0);
        EXPECT_EQ(programaComArquivoAberto(base), std::nullopt) << "this process does not count";
        ::close(proprio);
    }
    {
        ProcessoComArquivo segurador("segurador_vk", base);
        EXPECT_EQ(programaComArquivoAberto(base), std::optional<std::string>("segurador_vk"));
        EXPECT_EQ(programaComArquivoAberto(gemeo), std::nullopt);
    }
    {
        ProcessoComArquivo outroCaminho("pelo_link_vk", pasta / "OUTRO_NOME.FDB");
        EXPECT_EQ(programaComArquivoAberto(base), std::optional<std::string>("pelo_link_vk"));
    }
    EXPECT_EQ(programaComArquivoAberto(base), std::nullopt) << "the holders are gone";
    EXPECT_EQ(programaComArquivoAberto(pasta / "nao_existe.FDB"), std::nullopt);
}

TEST(ArquivoAberto, ALockIsSeenByAUserWhoCannotLookAtTheHoldersDescriptors) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to run the question as another user";
    const fs::path base = teste::novaPasta("dados") / "BASE.FDB";
    teste::escreverArquivo(base, "banco");
    teste::abrirParaServidor(base);  // "nobody" may reach and stat it

    ASSERT_EQ(teste::perguntarComoNobody(base), "livre");
    {
        // A descriptor alone, in a process of another user: out of sight.
        ProcessoComArquivo segurador("segurador_vk", base);
        EXPECT_EQ(teste::perguntarComoNobody(base), "livre");
    }

    {
        ProcessoComArquivo travado("travado_vk", base, true);
        EXPECT_EQ(teste::perguntarComoNobody(base), "travado_vk");
    }
    EXPECT_EQ(teste::perguntarComoNobody(base), "livre");
}

}  // namespace
}  // namespace vaultkeep
