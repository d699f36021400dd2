#include <gtest/gtest.h>

#include "common/codepage.hpp"
#include "common/text.hpp"

namespace vaultkeep {
namespace {

TEST(CodePages, ConvertTheLettersThatMatterBothWays) {
    struct Caso {
        const char* utf8;
        const char* ansi;
        const char* oem;
        bool perdeAnsi;
    };
    const Caso casos[] = {
        {"BASE_Ç.FDB", "BASE_\xC7.FDB", "BASE_\x80.FDB", false},
        {"São João", "S\xE3o Jo\xE3o", "S\xC6o Jo\xC6o", false},
        {"€", "\x80", "?", false},    // in Windows-1252, not in code page 850
        {"日本", "??", "??", true},   // in neither
        {"\xC3(", "?(", "?(", true},  // not UTF-8 at all
    };
    for (const auto& c : casos) {
        bool perda = false;
        EXPECT_EQ(utf8ParaAnsi(c.utf8, &perda), c.ansi) << c.utf8;
        EXPECT_EQ(perda, c.perdeAnsi) << c.utf8;
        EXPECT_EQ(ansiParaOem(utf8ParaAnsi(c.utf8)), c.oem) << c.utf8;
    }
    EXPECT_EQ(oemParaUtf8("BASE_\x80.FDB"), "BASE_Ç.FDB");
    EXPECT_EQ(ansiParaUtf8("\x81\xE3"), "\xC2\x81ã");  // unassigned bytes keep their value
    EXPECT_EQ(utf8ParaLatin1("Padaria São João €"), "Padaria S\xE3o Jo\xE3o ?");
}

TEST(CodePages, Utf8Validity) {
    EXPECT_TRUE(utf8Valido("ação 日本 \xF0\x9F\x98\x80"));
    for (const char* ruim : {"\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\x80"})
        EXPECT_FALSE(utf8Valido(ruim)) << ruim;
}

TEST(Text, TrimRemovesEverythingBelowCode33) {
    EXPECT_EQ(aparar(std::string("\0\t \x1F segredo \r\n\0", 15)), "segredo");
    EXPECT_EQ(aparar("   "), "");
}

}  // namespace
}  // namespace vaultkeep
