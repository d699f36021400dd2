#include <gtest/gtest.h>
#include <sys/stat.h>

#include "common/files.hpp"
#include "support/test_env.hpp"

namespace vaultkeep {
namespace {

namespace fs = std::filesystem;

TEST(SafeCopy, CopiesWholeKeepsTimeAndModeAndLeavesNoTemporary) {
    const fs::path pasta = teste::novaPasta("copia");
    const std::string dados(3 << 20, 'x');
    teste::escreverArquivo(pasta / "a.fdb", dados + "fim");
    ::chmod((pasta / "a.fdb").c_str(), 0640);
    const auto antes = fs::last_write_time(pasta / "a.fdb") - std::chrono::hours(30);
    fs::last_write_time(pasta / "a.fdb", antes);

    teste::escreverArquivo(pasta / "b.fdb", "velho");
    copiarArquivoSeguro(pasta / "a.fdb", pasta / "b.fdb", true);
    EXPECT_EQ(teste::lerArquivo(pasta / "b.fdb"), dados + "fim");
    EXPECT_EQ(fs::last_write_time(pasta / "b.fdb"), antes);
    EXPECT_EQ(fs::status(pasta / "b.fdb").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    int arquivos = 0;
    for (const auto& e : fs::directory_iterator(pasta))
        arquivos += e.is_regular_file();
    EXPECT_EQ(arquivos, 2);
}

TEST(SafeCopy, WithoutReplaceNeverTouchesAnExistingTarget) {
    const fs::path pasta = teste::novaPasta("copia");
    teste::escreverArquivo(pasta / "novo", "novo");
    teste::escreverArquivo(pasta / "existente", "precioso");
    try {
        copiarArquivoSeguro(pasta / "novo", pasta / "existente", false);
        FAIL() << "must not replace";
    } catch (const std::system_error& e) {
        EXPECT_EQ(e.code().value(), EEXIST);
    }
    EXPECT_EQ(teste::lerArquivo(pasta / "existente"), "precioso");
    EXPECT_THROW(moverSemSubstituir(pasta / "novo", pasta / "existente"), std::system_error);
    EXPECT_EQ(teste::lerArquivo(pasta / "existente"), "precioso");
    EXPECT_EQ(teste::lerArquivo(pasta / "novo"), "novo");
    moverSemSubstituir(pasta / "novo", pasta / "outro");
    EXPECT_FALSE(fs::exists(pasta / "novo"));
    EXPECT_EQ(teste::lerArquivo(pasta / "outro"), "novo");
}

TEST(SafeCopy, MissingSourceOrFolderFailsAndLeavesNothing) {
    const fs::path pasta = teste::novaPasta("copia");
    EXPECT_THROW(copiarArquivoSeguro(pasta / "nao", pasta / "alvo", true), std::system_error);
    EXPECT_THROW(copiarArquivoSeguro(pasta, pasta / "alvo", true), std::system_error);
    EXPECT_TRUE(fs::is_empty(pasta));
}

}  // namespace
}  // namespace vaultkeep
