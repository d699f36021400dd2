#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "online/download.hpp"
#include "online/lookup.hpp"

namespace vaultkeep {
namespace {

TEST(LerRespostaConsulta, ReadsTheThreeMembersAsTexts) {
    struct Caso {
        const char* corpo;
        BackupOnline esperado;
    };
    const Caso casos[] = {
        {R"({"link":"https://h/a.zip","date":"2025-02-04 14:30:00",
             "originalFileName":"Backup_Vaultkeep_04_02_2025_14_30.zip","size":10})",
         {"https://h/a.zip", "2025-02-04 14:30:00", "Backup_Vaultkeep_04_02_2025_14_30.zip"}},
        // Numbers and Booleans give their text; null and missing members give "".
        {R"({"link":"x","date":20250204,"originalFileName":null})", {"x", "20250204", ""}},
        {R"({"link":true,"date":false})", {"true", "false", ""}},
        {R"({"link":-3,"date":1.5})", {"-3", "1.5", ""}},
        {R"({})", {"", "", ""}},
        // Blanks and control characters around the object are ignored.
        {" \r\n\t{\"link\":\"y\"}\r\n\x01", {"y", "", ""}},
        {R"({"link":"ã","originalFileName":"S\u00e3o.zip"})", {"ã", "", "São.zip"}},
    };
    for (const auto& c : casos) {
        const BackupOnline b = lerRespostaConsulta(c.corpo);
        EXPECT_EQ(b.link, c.esperado.link) << c.corpo;
        EXPECT_EQ(b.data, c.esperado.data) << c.corpo;
        EXPECT_EQ(b.originalFileName, c.esperado.originalFileName) << c.corpo;
    }
}

TEST(LerRespostaConsulta, AnythingButAnObjectOfTextsIsAnErrorWithTheReadersMessage) {
    struct Caso {
        const char* corpo;
        const char* trecho;  // part of the message
    };
    const Caso casos[] = {
        {"", "parse error"},
        {"<html><body>Not here</body></html>", "parse error"},
        {R"({"link":"x",})", "parse error"},
        {R"([{"link":"x"}])", "não é um objeto JSON"},
        {"42", "não é um objeto JSON"},
        {R"("texto")", "não é um objeto JSON"},
        {R"({"link":{"href":"x"}})", "\"link\""},
        {R"({"link":"x","date":[2025]})", "\"date\""},
        {R"({"link":"x","originalFileName":{}})", "\"originalFileName\""},
    };
    for (const auto& c : casos) {
        try {
            lerRespostaConsulta(c.corpo);
            ADD_FAILURE() << "no exception for " << c.corpo;
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(c.trecho), std::string::npos)
                << c.corpo << " -> " << e.what();
        }
    }
}

TEST(FormatarDataServidor, TakesDayMonthAndYearByPosition) {
    struct Caso {
        const char* data;
        const char* exibida;
    };
    const Caso casos[] = {
        {"2025-02-04 14:30:00", "04/02/2025"},
        {"2025-02-04", "04/02/2025"},
        {"2025/02/04T00", "04/02/2025"},
        {"", "//"},
        {"2025", "//2025"},
        {"2025-02", "/02/2025"},
        {"2025-02-0", "0/02/2025"},
        {"true", "//true"},
        {"ãããã-éé-çç", "çç/éé/ãããã"},  // counted in characters
    };
    for (const auto& c : casos)
        EXPECT_EQ(formatarDataServidor(c.data), c.exibida) << c.data;
}

TEST(ConfirmacaoRestauracao, TextAndCaption) {
    BackupOnline b{"https://h/x.zip", "2025-02-04 14:30:00", "x.zip"};
    EXPECT_EQ(textoConfirmacaoRestauracao(b, "N"),
              "Backup encontrado, deseja restaurar o backup do dia 04/02/2025  do "
              "estabelecimento N ?");
    b.data.clear();
    EXPECT_EQ(textoConfirmacaoRestauracao(b, "Padaria São João"),
              "Backup encontrado, deseja restaurar o backup do dia //  do estabelecimento "
              "Padaria São João ?");
    EXPECT_STREQ(kTituloConfirmacao, "Confirmação");
}

TEST(ChaveConsulta, IsTheMd5OfTheNameBetweenApostrophes) {
    EXPECT_EQ(chaveConsulta("abc"), "'900150983CD24FB0D6963F7D28E17F72'");
    // Accented letters count as "?" in the digest.
    EXPECT_EQ(chaveConsulta("Padaria São João"), chaveConsulta("Padaria S?o Jo?o"));
}

}  // namespace
}  // namespace vaultkeep
