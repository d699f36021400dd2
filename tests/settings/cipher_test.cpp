#include <gtest/gtest.h>

#include <random>

#include "common/codepage.hpp"
#include "settings/cipher.hpp"
#include "settings/settings.hpp"
#include "support/process.hpp"

namespace vaultkeep {
namespace {

std::string hex(const std::array<std::uint8_t, 16>& d) {
    static constexpr char k[] = "0123456789ABCDEF";
    std::string s;
    for (auto b : d)
        s += {k[b >> 4], k[b & 15]};
    return s;
}

TEST(KeyDigest, MatchesBothKnownVectors) {
    EXPECT_EQ(hex(digestoChave("abc")), "2AA17BAA76A4C4CD4B73A5F934B4CC1A");
    EXPECT_EQ(hex(digestoChave("")), "0BD132AA831C56AC1F92E61084A342D2");
}

TEST(SettingsCipher, BlockLayoutSizes) {
    // Empty text: one block of eight zero bytes; 8 characters: a full block and a
    // block that only holds the count.
    EXPECT_EQ(encriptarstr("").size(), 12u);
    EXPECT_EQ(encriptarstr("12345678").size(), 24u);
    EXPECT_EQ(encriptarstr("1234567").size(), 12u);
}

TEST(SettingsCipher, RoundTripsRandomWindows1252Texts) {
    std::mt19937 rng(20261211);
    for (int i = 0; i < 300; ++i) {
        // Every byte of Windows-1252 but NUL, which ends a text.
        std::string ansi(rng() % 40, '\0');
        for (char& c : ansi)
            c = static_cast<char>(1 + rng() % 255);
        const std::string texto = ansiParaUtf8(ansi);
        ASSERT_EQ(desencriptarstr(encriptarstr(texto)), texto) << "length " << ansi.size();
    }
}

TEST(SettingsCipher, DecryptionFailuresGiveEmptyText) {
    const std::string bom = encriptarstr("Padaria");
    ASSERT_EQ(desencriptarstr(bom), "Padaria");
    struct Caso {
        const char* nome;
        std::string texto;
    };
    const Caso casos[] = {
        {"empty", ""},
        {"line break", bom.substr(0, 4) + "\n" + bom.substr(5)},
        {"character below '+'", bom.substr(0, 4) + "*" + bom.substr(5)},
        {"character above 'z'", bom.substr(0, 4) + "{" + bom.substr(5)},
        {"last group cut short", bom.substr(0, bom.size() - 1)},
        {"fewer than 8 bytes", "QUJD"},
    };
    for (const auto& c : casos)
        EXPECT_EQ(desencriptarstr(c.texto), "") << c.nome;
}

TEST(SettingsCipher, DashAndUnderscoreDecodeWithoutFailing) {
    // Inside "+" to "z" but outside the alphabet: the value 127, not a failure. A
    // 16-byte ciphertext whose first block is altered still has a valid count.
    const std::string c = encriptarstr("12345678abc");
    ASSERT_EQ(c.size(), 24u);
    for (char ch : {'-', '_'}) {
        std::string alterado = c;
        alterado[1] = ch;
        const std::string r = desencriptarstr(alterado);
        EXPECT_EQ(utf8ParaAnsi(r).size(), 11u) << ch;
        EXPECT_NE(r, "12345678abc") << ch;
    }
}

TEST(SettingsCipher, TrailingBytesAfterWholeBlocksAreIgnored) {
    // 16 bytes of ciphertext, then a group that adds three bytes filling no block.
    const std::string c = encriptarstr("12345678abcde");
    ASSERT_EQ(c.size(), 24u);
    EXPECT_EQ(desencriptarstr(c + "QUJD"), "12345678abcde");
}

TEST(BuiltInSecret, IsEightToFifteenPrintableBytes) {
    const std::string s = segredoEmbutido();
    ASSERT_GE(s.size(), 8u);
    ASSERT_LE(s.size(), 15u);
    for (char c : s)
        EXPECT_TRUE(c > 32 && c < 127);
}

// The built-in ciphertext must decrypt to the same secret under a separate,
// literal implementation of the cipher (rounds computed from the S-boxes, tables
// computed from pi).
TEST(BuiltInSecret, IndependentImplementationAgrees) {
    const std::string script =
        std::string(VAULTKEEP_SOURCE_DIR) + "/tests/settings/cipher_reference.py";
    const auto selftest = teste::executarPrograma({"python3", script, "selftest"});
    ASSERT_EQ(selftest.codigo, 0) << selftest.saida;
    const auto r = teste::executarPrograma({"python3", script, "decrypt", kCifradoEmbutido});
    ASSERT_EQ(r.codigo, 0) << r.saida;
    EXPECT_EQ(r.saida, segredoEmbutido() + "\n");
    const auto e = teste::executarPrograma({"python3", script, "encrypt", segredoEmbutido()});
    EXPECT_EQ(e.saida, std::string(kCifradoEmbutido) + "\n");
    EXPECT_EQ(encriptarstr(segredoEmbutido()), kCifradoEmbutido);
}

}  // namespace
}  // namespace vaultkeep
