// The lookup against the raw TLS fixture.

#include <gtest/gtest.h>

#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include "fixtures/tls_wire_server.hpp"
#include "online/form_request.hpp"
#include "online/lookup.hpp"
#include "online/upload.hpp"
#include "settings/settings.hpp"
#include "support/scripted_ui.hpp"
#include "support/test_env.hpp"
#include "wire_helpers.hpp"

namespace vaultkeep {
namespace {

using namespace std::string_literals;
using teste::OpcoesServidorTls;
using teste::respostaHttp;
using teste::separarPedido;
using teste::ServidorTlsRoteirizado;

const std::string kJson =
    R"({"link":"https://h/Backup_Vaultkeep_04_02_2025_14_30.zip","date":"2025-02-04 14:30:00",)"
    R"("originalFileName":"Backup_Vaultkeep_04_02_2025_14_30.zip"})";

std::string erroDaConsulta() {
    try {
        consultarBackupOnline();
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "(nothing thrown)";
}

TEST(Consulta, SendsTheFilekeyFormAndReadsTheAnswer) {
    ServidorTlsRoteirizado servidor(
        {{respostaHttp("HTTP/1.1 200 OK", kJson, {"Content-Type: application/json"})}});
    nomeEstabelecimento = "abc";
    chaveServidor = "segredo";
    urlGetLink = servidor.url("/palisade/api/") + "/show";

    const BackupOnline b = consultarBackupOnline();
    EXPECT_EQ(b.link, "https://h/Backup_Vaultkeep_04_02_2025_14_30.zip");
    EXPECT_EQ(formatarDataServidor(b.data), "04/02/2025");
    EXPECT_EQ(b.originalFileName, "Backup_Vaultkeep_04_02_2025_14_30.zip");

    const auto pedidos = servidor.pedidos();
    ASSERT_EQ(pedidos.size(), 1u);
    const auto p = separarPedido(pedidos[0]);
    ASSERT_EQ(p.linhas.size(), 8u);
    std::smatch m;
    const std::regex forma("Content-Type: multipart/form-data; boundary=(--------[0-9]{15})");
    ASSERT_TRUE(std::regex_match(p.linhas[3], m, forma)) << p.linhas[3];
    const std::string fronteira = m[1];
    const std::string corpo =
        "--" + fronteira +
        "\r\nContent-Disposition: form-data; name=\"filekey\"\r\nContent-Type: text/plain\r\n"
        "Content-Transfer-Encoding: quoted-printable\r\n\r\n"
        "'900150983CD24FB0D6963F7D28E17F72'\r\n--" +
        fronteira + "--\r\n";
    const std::vector<std::string> cabeca = {
        "POST /palisade/api//show HTTP/1.0",
        "Host: 127.0.0.1:" + std::to_string(servidor.porta()),
        "Connection: keep-alive",
        p.linhas[3],
        "Content-Length: " + std::to_string(corpo.size()),
        "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8",
        "User-Agent: "s + kAgenteUsuario,
        "Authorization: Basic OnNlZ3JlZG8=",
    };
    EXPECT_EQ(p.linhas, cabeca);
    EXPECT_EQ(p.corpo, corpo);
}

TEST(Consulta, SettlesForTls11WhereTheUploadRefusesIt) {
    ServidorTlsRoteirizado servidor(
        {{respostaHttp("HTTP/1.1 200 OK", kJson)}, {respostaHttp("HTTP/1.1 200 OK", "")}},
        OpcoesServidorTls{.somenteTls11 = true});
    nomeEstabelecimento = "abc";
    urlGetLink = servidor.url("/show");
    EXPECT_EQ(consultarBackupOnline().originalFileName, "Backup_Vaultkeep_04_02_2025_14_30.zip");
    EXPECT_EQ(servidor.ultimoProtocolo(), "TLSv1.1");

    const auto arquivo = teste::novaPasta("t") / "a.zip";
    teste::escreverArquivo(arquivo, "PK");
    urlUpload = servidor.url("/");
    teste::ScriptedUi ui;
    EXPECT_FALSE(enviarCopiaOnline(ui, arquivo.string()));
    EXPECT_EQ(servidor.pedidos().size(), 1u);
    EXPECT_EQ(servidor.handshakesFalhos(1), 1);
}

TEST(Consulta, ErrorsCarryTheStatusLineOrTheReadersMessage) {
    struct Caso {
        std::string resposta;
        std::string mensagem;  // whole, or a part when `parte`
        bool parte;
    };
    const Caso casos[] = {
        {respostaHttp("HTTP/1.1 404 Not Found", R"({"link":"x"})"), "HTTP/1.1 404 Not Found",
         false},
        {respostaHttp("HTTP/1.1 200 OK", R"([{"link":"x"}])"), "não é um objeto JSON", true},
        {respostaHttp("HTTP/1.1 200 OK", "<html><body>Erro</body></html>",
                      {"Content-Type: text/html"}),
         "parse error", true},
        {respostaHttp("HTTP/1.1 200 OK", ""), "parse error", true},
        {respostaHttp("HTTP/1.1 200 OK", R"({"link":{"url":"x"}})"), "\"link\"", true},
    };
    nomeEstabelecimento = "abc";
    for (const auto& c : casos) {
        ServidorTlsRoteirizado servidor({{c.resposta}});
        urlGetLink = servidor.url("/show");
        const std::string m = erroDaConsulta();
        if (c.parte)
            EXPECT_NE(m.find(c.mensagem), std::string::npos) << m;
        else
            EXPECT_EQ(m, c.mensagem);
    }
}

TEST(Consulta, TheBodyIsReadInTheCharsetItNamesElseIsoLatin1) {
    struct Caso {
        std::string corpo;
        std::vector<std::string> cabecalhos;
    };
    const Caso casos[] = {
        {"{\"originalFileName\":\"S\xE3o.zip\"}", {}},
        {"{\"originalFileName\":\"São.zip\"}", {"Content-Type: application/json; charset=utf-8"}},
    };
    nomeEstabelecimento = "abc";
    for (const auto& c : casos) {
        ServidorTlsRoteirizado servidor({{respostaHttp("HTTP/1.1 200 OK", c.corpo, c.cabecalhos)}});
        urlGetLink = servidor.url("/show");
        EXPECT_EQ(consultarBackupOnline().originalFileName, "São.zip");
    }
}

}  // namespace
}  // namespace vaultkeep
