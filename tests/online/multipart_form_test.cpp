#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <random>
#include <stdexcept>
#include <string>

#include "online/multipart_form.hpp"
#include "support/test_env.hpp"

namespace vaultkeep {
namespace {

using teste::escreverArquivo;
using teste::novaPasta;

std::string lerTudo(FormularioMultipart& f, std::size_t pedaco) {
    std::string out, buf(pedaco, '\0');
    for (;;) {
        const std::size_t n = f.ler(buf.data(), buf.size());
        if (n == 0)
            return out;
        out.append(buf, 0, n);
    }
}

std::string bytesAleatorios(std::size_t n) {
    std::mt19937 gen(7);
    std::string s(n, '\0');
    for (auto& c : s)
        c = static_cast<char>(gen());
    return s;
}

TEST(FormularioMultipart, BoundaryIsEightHyphensAndTheLocalMomentToTheMillisecond) {
    std::tm t{};
    t.tm_year = 2025 - 1900;
    t.tm_mon = 1;
    t.tm_mday = 4;
    t.tm_hour = 14;
    t.tm_min = 30;
    t.tm_sec = 5;
    t.tm_isdst = -1;
    const auto instante = Relogio::from_time_t(std::mktime(&t)) + std::chrono::milliseconds(123);
    EXPECT_EQ(fronteiraFormulario(instante), "--------020425143005123");
    EXPECT_EQ(fronteiraFormulario(instante + std::chrono::milliseconds(1)),
              "--------020425143005124");
    const std::string agora = FormularioMultipart().fronteira();
    ASSERT_EQ(agora.size(), 23u);
    EXPECT_EQ(agora.substr(0, 8), "--------");
    EXPECT_EQ(agora.find_first_not_of("0123456789", 8), std::string::npos);
}

TEST(FormularioMultipart, StreamsTheLayoutWithTheAnnouncedLengthAgainAndAgain) {
    const auto pasta = novaPasta("form");
    const std::string conteudo = bytesAleatorios(300000);
    const auto arquivo = pasta / "Backup_Vaultkeep_04_02_2025_14_30.zip";
    escreverArquivo(arquivo, conteudo);

    FormularioMultipart f("--------020425143005123");
    f.adicionarTexto("user", "Padaria São João");
    f.adicionarArquivo("sendimage", arquivo);
    EXPECT_EQ(f.tipoConteudo(), "multipart/form-data; boundary=--------020425143005123");

    const std::string esperado =
        "----------020425143005123\r\n"
        "Content-Disposition: form-data; name=\"user\"\r\n"
        "Content-Type: text/plain\r\n"
        "Content-Transfer-Encoding: quoted-printable\r\n"
        "\r\n"
        "Padaria S=E3o Jo=E3o\r\n"
        "----------020425143005123\r\n"
        "Content-Disposition: form-data; name=\"sendimage\"; "
        "filename=\"Backup_Vaultkeep_04_02_2025_14_30.zip\"\r\n"
        "Content-Type: application/x-zip-compressed\r\n"
        "Content-Transfer-Encoding: binary\r\n"
        "\r\n" +
        conteudo +
        "\r\n"
        "----------020425143005123--\r\n";
    EXPECT_EQ(f.tamanho(), esperado.size());
    // Odd piece sizes cross every boundary between fixed text and file bytes.
    for (std::size_t pedaco : {1u, 7u, 4096u, 1u << 20}) {
        f.rebobinar();
        EXPECT_EQ(lerTudo(f, pedaco), esperado) << pedaco;
    }
}

TEST(FormularioMultipart, EmptyFileAndTextOnlyForms) {
    const auto vazio = novaPasta("form") / "vazio.zip";
    escreverArquivo(vazio, "");
    FormularioMultipart f("B");
    f.adicionarTexto("filekey", "'900150983CD24FB0D6963F7D28E17F72'");
    f.adicionarArquivo("a", vazio);
    const std::string esperado =
        "--B\r\nContent-Disposition: form-data; name=\"filekey\"\r\nContent-Type: text/plain\r\n"
        "Content-Transfer-Encoding: quoted-printable\r\n\r\n'900150983CD24FB0D6963F7D28E17F72'\r\n"
        "--B\r\nContent-Disposition: form-data; name=\"a\"; filename=\"vazio.zip\"\r\n"
        "Content-Type: application/x-zip-compressed\r\nContent-Transfer-Encoding: binary\r\n\r\n"
        "\r\n--B--\r\n";
    EXPECT_EQ(f.tamanho(), esperado.size());
    EXPECT_EQ(lerTudo(f, 5), esperado);
}

TEST(FormularioMultipart, AFileThatCannotBeReadOrShrinksIsAnError) {
    const auto pasta = novaPasta("form");
    FormularioMultipart f;
    try {
        f.adicionarArquivo("sendimage", pasta / "nao_existe.zip");
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("nao_existe.zip"), std::string::npos) << e.what();
    }
    EXPECT_THROW(f.adicionarArquivo("sendimage", pasta), std::runtime_error);

    // The length went out with the headers: a file cut short while it is sent
    // must stop the body, not end it early.
    const auto arquivo = pasta / "cortado.zip";
    escreverArquivo(arquivo, bytesAleatorios(10000));
    FormularioMultipart g("B");
    g.adicionarArquivo("sendimage", arquivo);
    ASSERT_EQ(::truncate(arquivo.c_str(), 4000), 0);
    try {
        lerTudo(g, 1024);
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("ficou menor"), std::string::npos) << e.what();
    }
}

}  // namespace
}  // namespace vaultkeep
