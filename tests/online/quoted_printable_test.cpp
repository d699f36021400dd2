#include <gtest/gtest.h>

#include <string>

#include "common/codepage.hpp"
#include "online/quoted_printable.hpp"

namespace vaultkeep {
namespace {

TEST(QuotedPrintable, EncodesTextFieldsByTheFormRules) {
    const std::string x69(69, 'x'), x70(70, 'x');
    struct Caso {
        std::string valor;  // UTF-8, as the settings hold it
        std::string esperado;
    };
    const Caso casos[] = {
        {"Padaria Central 2", "Padaria Central 2"},
        {"Padaria São João", "Padaria S=E3o Jo=E3o"},
        {"A=B", "A=3DB"},
        {"日本", "??"},  // above U+00FF: "?" before encoding
        {".oculto", "=2Eoculto"},
        {"a.b.", "a.b."},
        {"fim ", "fim=20"},
        {"fim\t", "fim=09"},
        {"meio do\tnome", "meio do\tnome"},
        {"um \ndois", "um=20\r\ndois"},
        {"um\r\n.dois\n", "um\r\n=2Edois"},
        {"\x01~\x7F", "=01~=7F"},
        {"", ""},
        // Soft break once an output line holds 70 characters.
        {std::string(80, 'n'), std::string(70, 'n') + "=\r\n" + std::string(10, 'n')},
        {x70, x70 + "=\r\n"},
        {x69 + "é", x69 + "=E9=\r\n"},
        {x69 + "éb", x69 + "=E9=\r\nb"},
        {x70 + ".a", x70 + "=\r\n=2Ea"},
        {x69 + " a", x69 + " =\r\na"},
    };
    for (const auto& c : casos)
        EXPECT_EQ(codificarQuotedPrintable(utf8ParaLatin1(c.valor)), c.esperado) << c.valor;
}

TEST(QuotedPrintable, EveryOutputLineStaysShortAndDecodesBack) {
    std::string valor;
    for (int i = 0; i < 600; ++i)
        valor.push_back(static_cast<char>((i * 37) % 256));
    const std::string codificado = codificarQuotedPrintable(valor);
    std::size_t inicio = 0;
    while (inicio < codificado.size()) {
        std::size_t fim = codificado.find("\r\n", inicio);
        if (fim == std::string::npos)
            fim = codificado.size();
        // At most 69 characters, one encoded byte and the "=" of the soft break.
        EXPECT_LE(fim - inicio, 73u);
        inicio = fim + 2;
    }
    for (unsigned char c : codificado)
        EXPECT_TRUE(c == '\r' || c == '\n' || c == '\t' || (c >= 0x20 && c < 0x7F)) << int(c);

    // Line ends come back as CR LF; everything else byte for byte.
    std::string esperado;
    for (char c : valor) {
        if (c == '\n' && (esperado.empty() || esperado.back() != '\r'))
            esperado += "\r\n";
        else
            esperado.push_back(c);
    }
    EXPECT_EQ(decodificarQuotedPrintable(codificado), esperado);
    EXPECT_EQ(decodificarQuotedPrintable("Padaria S=E3o Jo=E3o\r\n"), "Padaria S\xE3o Jo\xE3o");
    EXPECT_EQ(decodificarQuotedPrintable("a=3Db=ZZ="), "a=b=ZZ=");
}

}  // namespace
}  // namespace vaultkeep
