#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "restore/unique_names.hpp"
#include "support/test_env.hpp"

namespace vaultkeep {
namespace {

namespace fs = std::filesystem;
using teste::escreverArquivo;
using teste::lerArquivo;

TEST(NomesUnicos, CandidateNames) {
    struct Caso {
        const char* radical;
        const char* extensao;
        int n;
        const char* nome;
    };
    const Caso casos[] = {
        {"BASE_ANTIGA_04_02_2025", ".FDB", 1, "BASE_ANTIGA_04_02_2025.FDB"},
        {"BASE_ANTIGA_04_02_2025", ".FDB", 2, "BASE_ANTIGA_04_02_2025_2.FDB"},
        {"baseCorrompida", ".falha", 1, "baseCorrompida.falha"},
        {"baseCorrompida", ".falha", 12, "baseCorrompida_12.falha"},
    };
    for (const auto& c : casos)
        EXPECT_EQ(nomeCandidato(c.radical, c.extensao, c.n), c.nome) << c.n;

    std::tm dia{};
    dia.tm_year = 2025 - 1900;
    dia.tm_mon = 1;
    dia.tm_mday = 4;
    EXPECT_EQ(radicalBaseAntiga(dia), "BASE_ANTIGA_04_02_2025");
}

TEST(NomesUnicos, MovesUnderTheFirstFreeNameAndReplacesNothing) {
    const fs::path pasta = teste::novaPasta("dados");
    escreverArquivo(pasta / "BASE.FDB", "atual");
    escreverArquivo(pasta / "B.FDB", "primeira");
    fs::create_symlink(pasta / "nao_existe",
                       pasta / "B_2.FDB");  // a dangling link takes a name too
    escreverArquivo(pasta / "B_3.FDB", "terceira");

    const fs::path usado = moverParaNomeLivre(pasta / "BASE.FDB", pasta, "B", ".FDB");
    EXPECT_EQ(usado, pasta / "B_4.FDB");
    EXPECT_EQ(lerArquivo(usado), "atual");
    EXPECT_FALSE(fs::exists(pasta / "BASE.FDB"));
    EXPECT_EQ(lerArquivo(pasta / "B.FDB"), "primeira");
    EXPECT_TRUE(fs::is_symlink(pasta / "B_2.FDB"));
    EXPECT_EQ(lerArquivo(pasta / "B_3.FDB"), "terceira");
}

TEST(NomesUnicos, AFailedRenameIsReportedAtOnce) {
    const fs::path pasta = teste::novaPasta("dados");
    try {
        moverParaNomeLivre(pasta / "sumiu.FDB", pasta, "B", ".FDB");
        FAIL() << "nothing thrown";
    } catch (const std::system_error& e) {
        EXPECT_EQ(e.code().value(), ENOENT) << e.what();
    }
    EXPECT_TRUE(fs::is_empty(pasta));
}

}  // namespace
}  // namespace vaultkeep
