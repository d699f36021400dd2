#include <gtest/gtest.h>

#include <string>

#include "online/charset.hpp"

namespace vaultkeep {
namespace {

TEST(DecodificarCorpo, ByTheCharsetOfTheContentTypeElseIsoLatin1) {
    using namespace std::string_literals;
    struct Caso {
        std::string corpo;
        std::string tipo;
        std::string texto;
    };
    const Caso casos[] = {
        {"S\xE3o", "", "São"},
        {"S\xE3o", "text/html", "São"},
        {"S\xE3o", "text/html; charset=unknown-charset-x", "São"},
        {"São", "application/json; charset=utf-8", "São"},
        {"São", "application/json;charset=\"UTF-8\"; q=1", "São"},
        {"S\xC3", "text/plain; charset=UTF-8", "S\xEF\xBF\xBD"},  // cut sequence: U+FFFD
        {"S\0\xE3\0o\0"s, "text/plain; format=x; Charset=UTF-16LE", "São"},
        {"S\xE3o", "text/plain; charset=windows-1252", "São"},
        {"\x80", "text/plain; charset=windows-1252", "€"},
    };
    for (const auto& c : casos)
        EXPECT_EQ(decodificarCorpo(c.corpo, c.tipo), c.texto) << c.tipo;
    EXPECT_EQ(charsetDoTipo("text/html; charset=\"ISO-8859-1\""), "ISO-8859-1");
    EXPECT_EQ(charsetDoTipo("text/html"), "");
}

}  // namespace
}  // namespace vaultkeep
