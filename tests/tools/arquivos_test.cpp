#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/test_env.hpp"
#include "tools/arquivos.hpp"

namespace vaultkeep {
namespace {

namespace fs = std::filesystem;
using teste::escreverArquivo;
using teste::lerArquivo;
using teste::novaPasta;

bool existe(const fs::path& p) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(p, ec));
}

TEST(ExcluirPasta, RemovesReadOnlyEntriesButNeverWhatLinksPointTo) {
    const fs::path fora = novaPasta("fora");
    escreverArquivo(fora / "alvo.txt", "preciso ficar");
    escreverArquivo(fora / "pasta" / "dentro.txt", "eu tambem");

    const fs::path pasta = novaPasta("pastatempbackup");
    escreverArquivo(pasta / "somente_leitura.FDB", "dados");
    escreverArquivo(pasta / ".oculto", "x");
    escreverArquivo(pasta / "sub" / "fundo" / "arquivo.zip", "zip");
    escreverArquivo(pasta / "sub" / "trancada" / "c.txt", "c");
    ::chmod((pasta / "somente_leitura.FDB").c_str(), 0444);
    ::chmod((pasta / "sub" / "trancada" / "c.txt").c_str(), 0444);
    ::chmod((pasta / "sub" / "trancada").c_str(), 0500);
    fs::create_symlink(fora / "alvo.txt", pasta / "link_arquivo");
    fs::create_symlink(fora / "pasta", pasta / "sub" / "link_pasta");
    fs::create_symlink(fora / "nada", pasta / "link_quebrado");

    excluirPasta(pasta.string());

    EXPECT_FALSE(existe(pasta));
    EXPECT_EQ(lerArquivo(fora / "alvo.txt"), "preciso ficar");
    EXPECT_EQ(lerArquivo(fora / "pasta" / "dentro.txt"), "eu tambem");
}

TEST(ExcluirPasta, MissingFolderFileAndLinkToAFolder) {
    const fs::path raiz = novaPasta("casos");
    excluirPasta((raiz / "nao_existe").string());  // nothing to do, nothing raised
    excluirPasta("");

    escreverArquivo(raiz / "arquivo", "nao sou pasta");
    excluirPasta((raiz / "arquivo").string());
    EXPECT_EQ(lerArquivo(raiz / "arquivo"), "nao sou pasta");

    // A folder that is a link: the link goes, the folder it points to stays whole.
    escreverArquivo(raiz / "real" / "dados.txt", "inteiro");
    fs::create_symlink(raiz / "real", raiz / "atalho");
    excluirPasta((raiz / "atalho").string());
    EXPECT_FALSE(existe(raiz / "atalho"));
    EXPECT_EQ(lerArquivo(raiz / "real" / "dados.txt"), "inteiro");

    // A trailing slash names the same folder.
    excluirPasta((raiz / "real").string() + "/");
    EXPECT_FALSE(existe(raiz / "real"));
}

TEST(LocalizarArquivoFDB, FindsTheFirstVisibleRegularDatabaseFile) {
    struct Caso {
        const char* nome;
        std::vector<const char*> arquivos;
        std::vector<const char*> pastas;
        const char* esperado;  // "" for none
    };
    const Caso casos[] = {
        {"vazia", {}, {}, ""},
        {"sem_banco", {"leiame.txt", "DADOS.FD", "base.fbk"}, {}, ""},
        {"oculto_e_pasta", {".BASE.FDB"}, {"copia.FDB"}, ""},
        {"minusculas", {"leiame.txt", "banco.fdb"}, {}, "banco.fdb"},
        {"sufixo", {"BASE.FDB.bak"}, {}, "BASE.FDB.bak"},
        {"misturado", {"Base.FdB"}, {"outra.FDB"}, "Base.FdB"},
    };
    for (const auto& c : casos) {
        const fs::path pasta = novaPasta(std::string("fdb_") + c.nome);
        for (const char* a : c.arquivos)
            escreverArquivo(pasta / a, "x");
        for (const char* p : c.pastas)
            fs::create_directories(pasta / p);
        const std::string esperado = *c.esperado ? (pasta / c.esperado).string() : "";
        EXPECT_EQ(localizarArquivoFDB(pasta.string()), esperado) << c.nome;
        EXPECT_EQ(localizarArquivoFDB(pasta.string() + "/"), esperado) << c.nome;
    }
    EXPECT_EQ(localizarArquivoFDB((novaPasta("fdb_x") / "nao_existe").string()), "");
}

TEST(LocalizarArquivoFDB, WithTwoDatabasesGivesOneOfThem) {
    const fs::path pasta = novaPasta("dois");
    escreverArquivo(pasta / "A.FDB", "a");
    escreverArquivo(pasta / "B.FDB", "b");
    const std::string achado = localizarArquivoFDB(pasta.string());
    EXPECT_TRUE(achado == (pasta / "A.FDB").string() || achado == (pasta / "B.FDB").string())
        << achado;
}

}  // namespace
}  // namespace vaultkeep
