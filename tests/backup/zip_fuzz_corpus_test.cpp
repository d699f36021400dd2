// A deterministic mutation corpus for the reader: valid archives of every layout
// the reader knows, damaged in thousands of reproducible ways (bit flips, bytes
// and fields set to edge values, cuts, deletions, repeats, stray signatures).
// For each one the reader must return or raise its own errors, in bounded time,
// and write nothing but plain files directly inside the destination folder.

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <random>

#include "backup/zip_archive.hpp"
#include "support/test_env.hpp"
#include "zip_test_util.hpp"

namespace vaultkeep {
namespace {

using namespace teste;

// Ignores every failure (so every entry is tried), gives the right password once
// and cancels after that.
class UiFuzz : public UiPortSemPessoa {
  public:
    int prompts = 0;
    RespostaFalha falhaArquivo(const std::string&, bool) override {
        ++prompts;
        return RespostaFalha::Ignorar;
    }
    std::optional<std::string> pedirSenha(const std::string&, const std::string&) override {
        ++prompts;
        if (senhaDada_)
            return std::nullopt;
        senhaDada_ = true;
        return "segredo";
    }

  private:
    bool senhaDada_ = false;
};

std::vector<std::string> sementes() {
    std::vector<std::string> s;
    const fs::path base = novaPasta("sementes");
    escreverArquivo(base / "BASE.FDB", dadosCompressiveis(40000, 1));
    escreverArquivo(base / "sub" / "b.fdb", dadosCompressiveis(3000, 2));
    UiPortSemPessoa ui;
    for (const char* senha : {"segredo", ""}) {
        const fs::path z = base / "semente.zip";
        compactarArquivos(ui, z.string(), base.string(), "*.FDB", senha);
        s.push_back(lerArquivo(z));
        fs::remove(z);
    }
    const std::string dados = dadosCompressiveis(20000, 3);
    EntradaTeste descritor = entradaTeste("D.FDB", dados, 8, "segredo");
    descritor.descritor = true;
    EntradaTeste armazenada = entradaTeste("../../S.FDB", dados, 0);
    EntradaTeste z64 = entradaTeste("sub\\Z.FDB", dados);
    z64.zip64 = true;
    EntradaTeste pasta = entradaTeste("pasta/", "", 0);
    EntradaTeste z64d = z64;
    z64d.descritor = true;
    s.push_back(montarZip({descritor, armazenada, pasta, z64}));
    s.push_back(montarZip({descritor, armazenada, z64d}, semDiretorio()));
    s.push_back(montarZip({z64, armazenada}, comFim64()));
    s.push_back(montarZip({armazenada, descritor}, comPrefixo(std::string(100, 'M'))));
    return s;
}

const std::string kAssinaturas[] = {std::string("PK\x03\x04", 4), std::string("PK\x01\x02", 4),
                                    std::string("PK\x05\x06", 4), std::string("PK\x06\x06", 4),
                                    std::string("PK\x06\x07", 4), std::string("PK\x07\x08", 4)};

std::string mutar(std::string z, std::mt19937& r) {
    const int quantas = 1 + static_cast<int>(r() % 3);
    for (int m = 0; m < quantas && !z.empty(); ++m) {
        const std::size_t pos = r() % z.size();
        switch (r() % 9) {
            case 0:
                z[pos] = static_cast<char>(z[pos] ^ (1 << (r() % 8)));
                break;
            case 1: {
                const unsigned char v[] = {0x00, 0xFF, 0x7F, 0x80, 0x01};
                z[pos] = static_cast<char>(v[r() % 5]);
                break;
            }
            case 2:
            case 3: {  // a header field: a few bytes after a signature set to an edge value
                const std::string& sig = kAssinaturas[r() % 6];
                std::size_t at = z.find(sig, r() % z.size());
                if (at == std::string::npos)
                    at = z.find(sig);
                if (at == std::string::npos)
                    break;
                const std::size_t campo = at + 4 + r() % 52;
                const std::uint32_t v[] = {0,
                                           0xFFFFFFFF,
                                           0x7FFFFFFF,
                                           0x0000FFFF,
                                           1,
                                           static_cast<std::uint32_t>(z.size()),
                                           static_cast<std::uint32_t>(r())};
                const std::uint32_t valor = v[r() % 7];
                const std::size_t largura = (r() % 2) ? 4 : 2;
                for (std::size_t i = 0; i < largura && campo + i < z.size(); ++i)
                    z[campo + i] = static_cast<char>(valor >> (8 * i));
                break;
            }
            case 4:
                z.resize(pos);
                break;
            case 5:
                z.erase(pos, 1 + r() % 64);
                break;
            case 6: {
                const std::size_t n = std::min<std::size_t>(1 + r() % 256, z.size() - pos);
                z.insert(r() % z.size(), z.substr(pos, n));
                break;
            }
            case 7:
                z.insert(pos, kAssinaturas[r() % 6]);
                break;
            case 8:
                z[pos] = static_cast<char>(r());
                break;
        }
    }
    return z;
}

// What a sandbox may hold afterwards: the archive, the sentinel, the destination
// folder and plain files directly in it.
void conferirCaixa(const fs::path& caixa, const std::string& caso) {
    for (const auto& item : arvore(caixa)) {
        if (item == "a.zip" || item == "sentinela.FDB" || item == "destino/")
            continue;
        const fs::path p = caixa / item;
        const bool direto = fs::path(item).parent_path() == "destino";
        EXPECT_TRUE(direto && fs::is_regular_file(fs::symlink_status(p)))
            << caso << ": unexpected " << item;
        EXPECT_EQ(item.find(".part"), std::string::npos) << caso << ": leftover " << item;
    }
    EXPECT_EQ(lerArquivo(caixa / "sentinela.FDB"), "sentinela") << caso;
}

struct Contagem {
    int extraiuAlgo = 0, erroAoChamador = 0, comPrompt = 0;
};

void executarCaso(const std::string& z, const std::string& caso, Contagem& c) {
    const fs::path caixa = novaPasta("caixa");
    escreverArquivo(caixa / "a.zip", z);
    escreverArquivo(caixa / "sentinela.FDB", "sentinela");
    fs::create_directories(caixa / "destino");
    UiFuzz ui;
    const auto inicio = std::chrono::steady_clock::now();
    try {
        extrairArquivos(ui, (caixa / "a.zip").string(), (caixa / "destino").string(), "*",
                        "errada");
    } catch (const ErroZip& e) {
        EXPECT_TRUE(e.codigo() == 35 || e.codigo() == 40) << caso << ": " << e.what();
        ++c.erroAoChamador;
    }
    const auto duracao = std::chrono::steady_clock::now() - inicio;
    EXPECT_LT(duracao, std::chrono::seconds(20)) << caso << ": too slow, a hang in the making";
    conferirCaixa(caixa, caso);
    if (!fs::is_empty(caixa / "destino"))
        ++c.extraiuAlgo;
    if (ui.prompts > 0)
        ++c.comPrompt;
    removerArvore(caixa);
}

TEST(ArchiveFuzzCorpus, MutatedArchivesNeverCrashHangOrWriteOutside) {
    const auto s = sementes();
    std::mt19937 r(20240611);
    Contagem c;
    int casos = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        executarCaso(s[i], "seed " + std::to_string(i), c);
        for (int m = 0; m < 400; ++m, ++casos)
            executarCaso(mutar(s[i], r),
                         "seed " + std::to_string(i) + " mutation " + std::to_string(m), c);
    }
    // The corpus must reach every outcome, or it tests less than it seems.
    EXPECT_GT(c.extraiuAlgo, casos / 10);
    EXPECT_GT(c.erroAoChamador, 0);
    EXPECT_GT(c.comPrompt, casos / 10);
    std::printf("%d cases: %d extracted something, %d raised to the caller, %d prompted\n", casos,
                c.extraiuAlgo, c.erroAoChamador, c.comPrompt);
}

// Large entries take the pipelined path; a few damaged ones go through it too.
TEST(ArchiveFuzzCorpus, MutatedLargeEntriesInThePipeline) {
    std::string ruido(5 << 20, '\0');
    std::mt19937 g(5);
    for (char& ch : ruido)
        ch = static_cast<char>(g());
    const std::string z = montarZip({entradaTeste("R.FDB", ruido, 8, "segredo"),
                                     entradaTeste("T.FDB", dadosCompressiveis(40 << 20, 6))});
    std::mt19937 r(77);
    Contagem c;
    executarCaso(z, "seed", c);
    EXPECT_EQ(c.extraiuAlgo, 1);
    for (int m = 0; m < 24; ++m) {
        std::string mutado = z;
        // Damage inside the data, where the pipeline is busy.
        const std::size_t pos = 100 + r() % (mutado.size() - 300);
        mutado[pos] = static_cast<char>(mutado[pos] ^ (1 + r() % 255));
        if (m % 4 == 0)
            mutado = mutar(mutado, r);
        executarCaso(mutado, "large mutation " + std::to_string(m), c);
    }
}

}  // namespace
}  // namespace vaultkeep
