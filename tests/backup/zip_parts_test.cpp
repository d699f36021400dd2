#include <gtest/gtest.h>

#include <cstring>

#include "backup/dos_time.hpp"
#include "backup/entry_name.hpp"
#include "backup/name_mask.hpp"
#include "backup/zip_crypto.hpp"
#include "backup/zip_error.hpp"
#include "zip_test_util.hpp"

namespace vaultkeep {
namespace {

TEST(ArchiveParts, MaskMatching) {
    struct Caso {
        const char* mascara;
        const char* nome;
        bool casa;
    };
    const Caso casos[] = {
        {"*.FDB", "dados.fdb", true},
        {"*.FDB", "DADOS.FDB", true},
        {"*.FDB", "base_ç.Fdb", true},
        {"*.FDB", "dados.fdb.bak", false},
        {"*.FDB", "FDB", false},
        {"*.FDB", ".FDB", true},
        {"BASE_Ç.*", "base_ç.fdb", true},  // case folds beyond ASCII
        {"?ados.fdb", "dados.fdb", true},
        {"?ados.fdb", "ados.fdb", false},
        {"*a*b*c", "xxaxxbxxbxc", true},
        {"*a*b*c", "xxaxxbxxbx", false},
        {"*.*", "semponto", true},
        {"*", "", true},
        {"", "x", false},
        {"a*", "a*", true},
    };
    for (const auto& c : casos)
        EXPECT_EQ(casaMascara(c.mascara, c.nome), c.casa) << c.mascara << " / " << c.nome;

    // The reader's rule: whole name (trailing "/" removed), then the last component.
    EXPECT_TRUE(entradaCasaMascara("*.FDB", "pasta/sub/dados.fdb"));
    EXPECT_TRUE(entradaCasaMascara("pasta/*", "pasta/x/"));
    EXPECT_TRUE(entradaCasaMascara("dados.fdb", "c:\\bases\\DADOS.FDB"));
    EXPECT_FALSE(entradaCasaMascara("pasta", "outra/pasta.fdb"));
}

TEST(ArchiveParts, DosTimeRoundTripsInLocalTime) {
    ::setenv("TZ", "America/Sao_Paulo", 1);
    ::tzset();
    std::tm t{};
    t.tm_year = 2024 - 1900;
    t.tm_mon = 1;
    t.tm_mday = 29;
    t.tm_hour = 23;
    t.tm_min = 59;
    t.tm_sec = 59;
    t.tm_isdst = -1;
    const std::time_t instante = std::mktime(&t);
    const HoraDos h = paraHoraDos(instante);
    EXPECT_EQ(h.data, ((2024 - 1980) << 9) | (2 << 5) | 29);
    EXPECT_EQ(h.hora, (23 << 11) | (59 << 5) | 29);  // odd seconds round down
    EXPECT_EQ(deHoraDos(h), instante - 1);

    EXPECT_EQ(paraHoraDos(0).data, (0 << 9) | (1 << 5) | 1);  // 1970 is before 1980
    for (HoraDos ruim : {HoraDos{0, 0}, HoraDos{0, (1 << 5) | 0}, HoraDos{0, (13 << 5) | 1},
                         HoraDos{24 << 11, (1 << 5) | 1}, HoraDos{0, (2 << 5) | 30}})
        EXPECT_FALSE(deHoraDos(ruim).has_value()) << ruim.hora << " " << ruim.data;
}

TEST(ArchiveParts, StoredNamesAndHowTheyReadBack) {
    struct Caso {
        const char* nome;
        const char* bytes;
        bool utf8;
    };
    const Caso casos[] = {
        {"DADOS.FDB", "DADOS.FDB", false},
        {"BASE_Ç.FDB", "BASE_\x80.FDB", false},  // code page 850
        {"São João.fdb", "S\xC6o Jo\xC6o.fdb", false},
        {"日本.FDB", "日本.FDB", true},              // outside Windows-1252
        {"DADOS–2023.FDB", "DADOS–2023.FDB", true},  // en dash: Windows-1252 has it, 850 not
        {"€.FDB", "€.FDB", true},
    };
    for (const auto& c : casos) {
        const auto a = armazenarNome(c.nome);
        ASSERT_TRUE(a) << c.nome;
        EXPECT_EQ(a->bytes, c.bytes) << c.nome;
        EXPECT_EQ(a->utf8, c.utf8) << c.nome;
        EXPECT_EQ(lerNomeArmazenado(a->bytes, a->utf8), c.nome);
    }
    // The UTF-8 form holds at most 254 bytes.
    std::string longo(98, 'a');
    for (int i = 0; i < 52; ++i)
        longo += "日";  // 3 bytes each: 254 in all
    EXPECT_TRUE(armazenarNome(longo).has_value());
    EXPECT_FALSE(armazenarNome(longo + "a").has_value());
    // A name that is not UTF-8 at all is taken as Windows-1252.
    EXPECT_EQ(armazenarNome("caf\xE9.fdb")->bytes, "caf\x82.fdb");
    // Read side: valid UTF-8 behind a clear bit 11 is taken as UTF-8.
    EXPECT_EQ(lerNomeArmazenado("plain.fdb", false), "plain.fdb");
    EXPECT_EQ(lerNomeArmazenado("\xFF\xFE", true), "ÿþ");  // bad UTF-8 with bit 11: bytes as 1252
}

TEST(ArchiveParts, ExtractableComponentNeverLeavesTheFolder) {
    struct Caso {
        const char* nome;
        const char* componente;  // nullptr: skipped
    };
    const Caso casos[] = {
        {"x.FDB", "x.FDB"},      {"../../x.FDB", "x.FDB"}, {"..\\..\\x.FDB", "x.FDB"},
        {"/etc/x.FDB", "x.FDB"}, {"c:\\x.FDB", "x.FDB"},   {"pasta/", nullptr},
        {"..", nullptr},         {"a/..", nullptr},        {"a\\.", nullptr},
        {"", nullptr},
    };
    for (const auto& c : casos) {
        const auto r = componenteExtraivel(c.nome);
        if (c.componente)
            EXPECT_EQ(r, std::optional<std::string>(c.componente)) << c.nome;
        else
            EXPECT_FALSE(r.has_value()) << c.nome;
    }
    EXPECT_FALSE(componenteExtraivel(std::string("a\0b", 3)).has_value());
}

TEST(ArchiveParts, CipherMatchesTheReferenceBothWays) {
    const std::string claro = teste::dadosCompressiveis(100000, 5);
    for (const std::string senha : {"", "segredo", "s\xE3o"}) {
        ZipCrypto c(senha);
        std::string dados = claro;
        // In uneven pieces: the keys carry over from one call to the next.
        c.cifrar(reinterpret_cast<std::uint8_t*>(dados.data()), 777);
        c.cifrar(reinterpret_cast<std::uint8_t*>(dados.data()) + 777, dados.size() - 777);
        EXPECT_EQ(dados, teste::CifraReferencia(senha).cifrar(claro)) << senha;
        ZipCrypto d(senha);
        d.decifrar(reinterpret_cast<std::uint8_t*>(dados.data()), dados.size());
        EXPECT_EQ(dados, claro);
    }
}

TEST(ArchiveParts, ErrorTextsCarryTheirCode) {
    EXPECT_STREQ(erroZip(kArquivoInvalido).what(), "Invalid archive file. - Native error: 00035");
    EXPECT_STREQ(erroZip(kFalhaNomeLongo, "/x/y").what(),
                 "File name is too long: \r\n\"/x/y\" - Native error: 00061");
    EXPECT_STREQ(erroZip(kFalhaZip64, "/a.FDB").what(),
                 "Cannot compress file '/a.FDB'. Zip64 mode is not enabled - Native error: 00043");
    EXPECT_EQ(erroZip(kFalhaCriarDestino, "/d/x").codigo(), 19);
    EXPECT_EQ(erroZip(kFalhaCriarDestino, "/d/x").texto(), "Cannot create file \"/d/x\"");
    EXPECT_STREQ(erroCriarArquivo("/n/a.zip", ENOENT).what(),
                 "Cannot create file \"/n/a.zip\". No such file or directory");
}

}  // namespace
}  // namespace vaultkeep
