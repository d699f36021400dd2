// Our archives open in Info-ZIP and 7-Zip, and theirs open in ours.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "backup/zip_archive.hpp"
#include "settings/settings.hpp"
#include "support/process.hpp"
#include "support/scripted_ui.hpp"
#include "support/test_env.hpp"
#include "zip_test_util.hpp"

namespace vaultkeep {
namespace {

using namespace teste;

Execucao rodar(const std::vector<std::string>& argv, const fs::path& pasta = {}) {
    OpcoesExecucao o;
    o.pasta = pasta;
    o.ambiente["LC_ALL"] = "C.UTF-8";
    return executarPrograma(argv, o);
}

const std::time_t kQuando = 1609502400;  // 2021-01-01 12:00:00 UTC

std::time_t modificacao(const fs::path& p) {
    struct stat st;
    EXPECT_EQ(::stat(p.c_str(), &st), 0);
    return st.st_mtime;
}

// Two files: a database of a few MiB, written long ago, and a small one with an
// accented name.
fs::path pastaDeOrigem(std::string& dados) {
    const fs::path base = novaPasta("origem");
    dados = dadosCompressiveis((7 << 19) + 4321, 21);  // 3.5 MiB
    escreverArquivo(base / "BASE.FDB", dados);
    fs::last_write_time(base / "BASE.FDB", std::chrono::file_clock::from_sys(
                                               std::chrono::system_clock::from_time_t(kQuando)));
    escreverArquivo(base / "São_Ç.FDB", "acentos");
    return base;
}

TEST(ArchiveInterop, OurArchiveOpensInUnzip7zAndZipinfo) {
    std::string dados;
    const fs::path base = novaPasta("origem");
    dados = dadosCompressiveis((7 << 19) + 4321, 21);
    escreverArquivo(base / "BASE.FDB", dados);
    const std::string senha = segredoEmbutido();
    ASSERT_FALSE(senha.empty());
    const fs::path zip = raizTeste() / "backup.zip";
    ScriptedUi ui;
    compactarArquivos(ui, zip.string(), base.string(), "*.FDB", senha);

    const auto teste = rodar({"unzip", "-P", senha, "-t", zip.string()});
    EXPECT_EQ(teste.codigo, 0) << teste.saida;
    EXPECT_NE(teste.saida.find("No errors detected"), std::string::npos) << teste.saida;

    const fs::path sete = novaPasta("7z");
    const auto x = rodar({"7z", "x", "-p" + senha, "-o" + sete.string(), zip.string()});
    EXPECT_EQ(x.codigo, 0) << x.saida;
    EXPECT_TRUE(lerArquivo(sete / "BASE.FDB") == dados);

    const auto info = rodar({"zipinfo", "-v", zip.string()});
    EXPECT_EQ(info.codigo, 0) << info.saida;
    for (const char* linha : {
             "central directory contains 1 entry",
             "offset of local header from start of archive:   0\n",
             "file system or operating system of origin:      MS-DOS, OS/2 or NT FAT",
             "version of encoding software:                   2.0",
             "compression method:                             deflated",
             "compression sub-type (deflation):               normal",
             "file security status:                           encrypted",
             "extended local header:                          no",
             "MS-DOS file attributes (20 hex):                arc",
             "length of extra field:                          0 bytes",
         })
        EXPECT_NE(info.saida.find(linha), std::string::npos) << linha << "\n" << info.saida;
}

TEST(ArchiveInterop, WeReadWhatInfoZipAnd7zWrite) {
    std::string dados;
    const fs::path base = pastaDeOrigem(dados);
    const std::string senha = segredoEmbutido();
    struct Caso {
        const char* oque;
        std::vector<std::string> argv;
        bool paraSaida;  // the archive comes on standard output
    };
    const std::vector<Caso> casos = {
        {"zip to a file", {"zip", "-q", "-P", senha, "z.zip", "BASE.FDB", "São_Ç.FDB"}, false},
        {"zip to standard output", {"zip", "-q", "-P", senha, "-", "BASE.FDB", "São_Ç.FDB"}, true},
        {"zip Zip64", {"zip", "-q", "-fz", "-P", senha, "z.zip", "BASE.FDB", "São_Ç.FDB"}, false},
        {"zip stored", {"zip", "-q", "-0", "z.zip", "BASE.FDB", "São_Ç.FDB"}, false},
        {"7z ZipCrypto",
         {"7z", "a", "-tzip", "-mem=ZipCrypto", "-p" + senha, "z.zip", "BASE.FDB", "São_Ç.FDB"},
         false},
    };
    for (const auto& c : casos) {
        const fs::path zip = base / "z.zip";
        fs::remove(zip);
        const auto r = rodar(c.argv, base);
        ASSERT_EQ(r.codigo, 0) << c.oque << "\n" << r.saida;
        if (c.paraSaida)
            escreverArquivo(zip, r.saida);
        const fs::path destino = novaPasta(std::string("d-") + c.oque);
        ScriptedUi ui;
        extrairArquivos(ui, zip.string(), destino.string(), "*.FDB", senha);
        EXPECT_TRUE(ui.chamadas().empty()) << c.oque;
        EXPECT_EQ(arvore(destino), (std::set<std::string>{"BASE.FDB", "São_Ç.FDB"})) << c.oque;
        EXPECT_TRUE(lerArquivo(destino / "BASE.FDB") == dados) << c.oque;
        // Two-second steps, rounded either way depending on the tool.
        EXPECT_LE(std::abs(modificacao(destino / "BASE.FDB") - kQuando), 2) << c.oque;
        fs::remove(zip);
    }
}

TEST(ArchiveInterop, Deflate64From7zIsFailure55) {
    std::string dados;
    const fs::path base = pastaDeOrigem(dados);
    const std::string senha = segredoEmbutido();
    const auto r = rodar(
        {"7z", "a", "-tzip", "-mm=Deflate64", "-mem=ZipCrypto", "-p" + senha, "z.zip", "BASE.FDB"},
        base);
    ASSERT_EQ(r.codigo, 0) << r.saida;
    const fs::path destino = novaPasta("destino");
    ScriptedUi ui;
    ui.responderFalha(RespostaFalha::Ignorar);
    extrairArquivos(ui, (base / "z.zip").string(), destino.string(), "*.FDB", senha);
    EXPECT_EQ(ui.chamadas(),
              std::vector<std::string>{
                  "falhaArquivo(Deflate64 compression method is not supported - Native error: "
                  "00055. File processing error, possibly disk is full|retry)"});
    EXPECT_TRUE(arvore(destino).empty());
}

}  // namespace
}  // namespace vaultkeep
