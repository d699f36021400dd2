// The upload against the raw TLS fixture: what goes on the wire, and how each
// kind of answer is read.

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "fixtures/tls_wire_server.hpp"
#include "online/form_request.hpp"
#include "online/upload.hpp"
#include "settings/settings.hpp"
#include "support/scripted_ui.hpp"
#include "support/test_env.hpp"
#include "ui/status.hpp"
#include "wire_helpers.hpp"

namespace vaultkeep {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using teste::OpcoesServidorTls;
using teste::respostaHttp;
using teste::RespostaRoteirizada;
using teste::ScriptedUi;
using teste::separarPedido;
using teste::ServidorTlsRoteirizado;

const std::string kOk = respostaHttp("HTTP/1.1 200 OK", R"({"status": false})");

class Upload : public ::testing::Test {
  protected:
    void SetUp() override {
        nomeEstabelecimento = "Padaria Central";
        chaveServidor = "segredo";
        std::mt19937 gen(11);
        conteudo_.resize(200000);
        for (auto& c : conteudo_)
            c = static_cast<char>(gen());
        arquivo_ = teste::novaPasta("trabalho") / "Backup_Vaultkeep_04_02_2025_14_30.zip";
        teste::escreverArquivo(arquivo_, conteudo_);
    }

    bool enviar(const std::string& url) {
        urlUpload = url;
        return enviarCopiaOnline(ui_, arquivo_.string());
    }

    ScriptedUi ui_;
    std::string conteudo_;
    fs::path arquivo_;
};

// The boundary of a Content-Type header line, checked for its form.
std::string fronteiraDe(const std::string& linhaTipo) {
    std::smatch m;
    const std::regex forma("Content-Type: multipart/form-data; boundary=(--------[0-9]{15})");
    if (!std::regex_match(linhaTipo, m, forma))
        return {};
    return m[1];
}

// The moment a boundary's digits name (local time).
Relogio::time_point momentoDe(const std::string& fronteira) {
    auto n = [&](std::size_t pos, std::size_t len) {
        return std::stoi(fronteira.substr(8 + pos, len));
    };
    std::tm t{};
    t.tm_mon = n(0, 2) - 1;
    t.tm_mday = n(2, 2);
    t.tm_year = 100 + n(4, 2);
    t.tm_hour = n(6, 2);
    t.tm_min = n(8, 2);
    t.tm_sec = n(10, 2);
    t.tm_isdst = -1;
    return Relogio::from_time_t(std::mktime(&t)) + std::chrono::milliseconds(n(12, 3));
}

TEST_F(Upload, RequestLineHeadersAndBodyGoOnTheWireInOrder) {
    ServidorTlsRoteirizado servidor({{kOk}});
    const auto antes = std::chrono::time_point_cast<std::chrono::milliseconds>(Relogio::now());
    ASSERT_TRUE(enviar(servidor.url("/palisade/api/")));
    const auto depois = Relogio::now();

    const auto pedidos = servidor.pedidos();
    ASSERT_EQ(pedidos.size(), 1u);
    const auto p = separarPedido(pedidos[0]);
    ASSERT_EQ(p.linhas.size(), 8u) << pedidos[0].substr(0, 600);
    const std::string fronteira = fronteiraDe(p.linhas[3]);
    ASSERT_FALSE(fronteira.empty()) << p.linhas[3];
    EXPECT_GE(momentoDe(fronteira), antes);
    EXPECT_LE(momentoDe(fronteira), depois);

    const std::string corpo =
        "--" + fronteira +
        "\r\nContent-Disposition: form-data; name=\"user\"\r\nContent-Type: text/plain\r\n"
        "Content-Transfer-Encoding: quoted-printable\r\n\r\nPadaria Central\r\n--" +
        fronteira +
        "\r\nContent-Disposition: form-data; name=\"sendimage\"; "
        "filename=\"Backup_Vaultkeep_04_02_2025_14_30.zip\"\r\n"
        "Content-Type: application/x-zip-compressed\r\nContent-Transfer-Encoding: binary\r\n\r\n" +
        conteudo_ + "\r\n--" + fronteira + "--\r\n";
    const std::vector<std::string> cabeca = {
        "POST /palisade/api/ HTTP/1.0",
        "Host: 127.0.0.1:" + std::to_string(servidor.porta()),
        "Connection: keep-alive",
        "Content-Type: multipart/form-data; boundary=" + fronteira,
        "Content-Length: " + std::to_string(corpo.size()),
        "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8",
        "User-Agent: "s + kAgenteUsuario,
        "Authorization: Basic OnNlZ3JlZG8=",  // ":segredo"
    };
    EXPECT_EQ(p.linhas, cabeca);
    EXPECT_TRUE(p.corpo == corpo) << "the body differs from the expected form";
    EXPECT_EQ(servidor.ultimoProtocolo(), "TLSv1.2");

    EXPECT_EQ(mensagemStatus(), "Arquivo enviado com sucesso!");
    EXPECT_EQ(ui_.chamadas(), std::vector<std::string>{"pararAnimacao"});
}

TEST_F(Upload, NameAndKeyEncodings) {
    struct Caso {
        std::string nome, qp, chave, basic;
    };
    const Caso casos[] = {
        {"Padaria São João", "Padaria S=E3o Jo=E3o", "segredo", "OnNlZ3JlZG8="},
        {"Bar=Lanches", "Bar=3DLanches", "sénha", "OnPpbmhh"},  // ":s\xE9nha", one byte each
        {std::string(80, 'M'), std::string(70, 'M') + "=\r\n" + std::string(10, 'M'), "segredo",
         "OnNlZ3JlZG8="},
    };
    for (const auto& c : casos) {
        ServidorTlsRoteirizado servidor({{kOk}});
        nomeEstabelecimento = c.nome;
        chaveServidor = c.chave;
        ASSERT_TRUE(enviar(servidor.url())) << mensagemStatus();
        const auto p = separarPedido(servidor.pedidos().at(0));
        const std::string fronteira = fronteiraDe(p.linhas.at(3));
        EXPECT_NE(p.corpo.find("name=\"user\"\r\nContent-Type: text/plain\r\n"
                               "Content-Transfer-Encoding: quoted-printable\r\n\r\n" +
                               c.qp + "\r\n--" + fronteira + "\r\n"),
                  std::string::npos)
            << c.nome;
        EXPECT_EQ(p.linhas.at(7), "Authorization: Basic " + c.basic);
    }
}

TEST_F(Upload, TheAnswerBodyDecidesWhenTheStatusIs2xx) {
    struct Caso {
        std::string resposta;
        bool aceito;
    };
    const Caso casos[] = {
        {respostaHttp("HTTP/1.1 200 OK", R"({"status": true})"), false},
        {respostaHttp("HTTP/1.1 200 OK", R"({"ok": 1, "status": true, "msg": "x"})"), false},
        {respostaHttp("HTTP/1.1 200 OK", R"({"status":true})"), true},
        {respostaHttp("HTTP/1.1 200 OK", R"({"status": false})"), true},
        {respostaHttp("HTTP/1.1 200 OK", R"({"Status": True})"), true},
        {respostaHttp("HTTP/1.1 200 OK", "OK"), true},
        {respostaHttp("HTTP/1.1 200 OK", ""), true},
        {respostaHttp("HTTP/1.0 201 Created", R"({"status": true})"), false},
        // 1xx answers are skipped.
        {"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 102 Processing\r\n\r\n" +
             respostaHttp("HTTP/1.1 200 OK", R"({"status": true})"),
         false},
        // The charset of the answer decides what the text is.
        {respostaHttp("HTTP/1.1 200 OK", "{\0\"\0s\0t\0a\0t\0u\0s\0\"\0:\0 \0t\0r\0u\0e\0}\0"s,
                      {"Content-Type: application/json; charset=UTF-16LE"}),
         false},
        {respostaHttp("HTTP/1.1 200 OK", "{\0\"\0s\0t\0a\0t\0u\0s\0\"\0:\0 \0t\0r\0u\0e\0}\0"s),
         true},
    };
    for (const auto& c : casos) {
        ServidorTlsRoteirizado servidor({{c.resposta}});
        ScriptedUi ui;
        urlUpload = servidor.url();
        EXPECT_EQ(enviarCopiaOnline(ui, arquivo_.string()), c.aceito) << c.resposta;
        if (c.aceito) {
            EXPECT_EQ(mensagemStatus(), "Arquivo enviado com sucesso!");
            EXPECT_EQ(ui.chamadas(), std::vector<std::string>{"pararAnimacao"});
        } else {
            EXPECT_EQ(mensagemStatus(),
                      "Erro ao enviar backup para o servidor, contate o suporte. ");
            EXPECT_EQ(ui.chamadas(), std::vector<std::string>{"loadOrErro(true)"});
        }
    }
}

TEST_F(Upload, AStatusOutside2xxFailsWithItsStatusLine) {
    const std::string casos[] = {
        "HTTP/1.1 500 Internal Server Error",
        "HTTP/1.0 404 Not Found",
        "HTTP/1.1 401 Unauthorized",
        "HTTP/1.1 302 Found",  // a redirect without a Location
        "HTTP/1.1 304 Not Modified",
    };
    for (const auto& linha : casos) {
        ServidorTlsRoteirizado servidor({{respostaHttp(linha, "{\"status\": false}")}});
        ScriptedUi ui;
        urlUpload = servidor.url();
        EXPECT_FALSE(enviarCopiaOnline(ui, arquivo_.string()));
        EXPECT_EQ(mensagemStatus(),
                  "Erro ao enviar backup para o servidor, contate o suporte. " + linha);
        EXPECT_EQ(ui.chamadas(), std::vector<std::string>{"loadOrErro(true)"});
    }
}

TEST_F(Upload, RedirectsResendTheFormOrTurnIntoGet) {
    struct Caso {
        int status;
        bool posta;
    };
    const Caso casos[] = {{301, true}, {302, true}, {303, false}, {307, true}, {308, true}};
    for (const auto& c : casos) {
        // The final answer refuses: it is that body, not the redirect's, that counts.
        ServidorTlsRoteirizado servidor({
            {respostaHttp("HTTP/1.1 " + std::to_string(c.status) + " Moved", "{}",
                          {"Location: /segundo?x=1"})},
            {respostaHttp("HTTP/1.1 200 OK", R"({"status": true})")},
        });
        EXPECT_FALSE(enviar(servidor.url("/primeiro")));
        EXPECT_EQ(mensagemStatus(), "Erro ao enviar backup para o servidor, contate o suporte. ");
        const auto pedidos = servidor.pedidos();
        ASSERT_EQ(pedidos.size(), 2u) << c.status;
        const auto p1 = separarPedido(pedidos[0]);
        const auto p2 = separarPedido(pedidos[1]);
        if (c.posta) {
            auto esperado = p1.linhas;
            esperado[0] = "POST /segundo?x=1 HTTP/1.0";
            EXPECT_EQ(p2.linhas, esperado) << c.status;
            EXPECT_TRUE(p2.corpo == p1.corpo) << c.status << ": the form was not sent again whole";
        } else {
            const std::vector<std::string> esperado = {"GET /segundo?x=1 HTTP/1.0",
                                                       p1.linhas[1],
                                                       "Connection: keep-alive",
                                                       p1.linhas[5],
                                                       p1.linhas[6],
                                                       p1.linhas[7]};
            EXPECT_EQ(p2.linhas, esperado);
            EXPECT_EQ(p2.corpo, "");
        }
    }
}

TEST_F(Upload, FollowsFifteenRedirectsInARowButNotSixteen) {
    const RespostaRoteirizada redireciona{
        respostaHttp("HTTP/1.1 302 Found", "", {"Location: /de-novo"})};
    {
        std::vector<RespostaRoteirizada> roteiro(15, redireciona);
        roteiro.push_back({kOk});
        ServidorTlsRoteirizado servidor(roteiro);
        EXPECT_TRUE(enviar(servidor.url())) << mensagemStatus();
        EXPECT_EQ(servidor.pedidos().size(), 16u);
    }
    {
        std::vector<RespostaRoteirizada> roteiro(17, redireciona);
        roteiro.push_back({kOk});
        ServidorTlsRoteirizado servidor(roteiro);
        EXPECT_FALSE(enviar(servidor.url()));
        EXPECT_EQ(servidor.pedidos().size(), 16u);
        EXPECT_EQ(mensagemStatus(),
                  "Erro ao enviar backup para o servidor, contate o suporte. "
                  "Redirecionamentos demais (mais de 15): HTTP/1.1 302 Found");
    }
}

TEST_F(Upload, AnExpiredSelfSignedCertificateIsAcceptedAndTheHostNameGoesAsSni) {
    ServidorTlsRoteirizado servidor({{kOk}}, OpcoesServidorTls{.certificadoVencido = true});
    const std::string porta = std::to_string(servidor.porta());
    ASSERT_TRUE(enviar("https://localhost:" + porta + "/api/upload")) << mensagemStatus();
    EXPECT_EQ(servidor.ultimoSni(), "localhost");
    const auto p = separarPedido(servidor.pedidos().at(0));
    EXPECT_EQ(p.linhas.at(0), "POST /api/upload HTTP/1.0");
    EXPECT_EQ(p.linhas.at(1), "Host: localhost:" + porta);
}

TEST_F(Upload, AServerOfferingOnlyTls11FailsInTheHandshake) {
    ServidorTlsRoteirizado servidor({{kOk}}, OpcoesServidorTls{.somenteTls11 = true});
    ScriptedUi ui;
    urlUpload = servidor.url();
    EXPECT_FALSE(enviarCopiaOnline(ui, arquivo_.string()));
    EXPECT_TRUE(servidor.pedidos().empty());
    EXPECT_EQ(servidor.handshakesFalhos(1), 1);
    const std::string prefixo = kMsgErroEnvio;
    EXPECT_EQ(mensagemStatus().substr(0, prefixo.size()), prefixo);
    EXPECT_GT(mensagemStatus().size(), prefixo.size());
    EXPECT_EQ(ui.chamadas(), std::vector<std::string>{"loadOrErro(true)"});
}

TEST_F(Upload, AServerThatStallsAfterItsHeadersIsAbandoned) {
    definirLimiteParadaPadrao(std::chrono::milliseconds(1500));
    ServidorTlsRoteirizado servidor(
        {{"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n{\"status\"", /*parar=*/true}});
    const auto inicio = std::chrono::steady_clock::now();
    EXPECT_FALSE(enviar(servidor.url()));
    const auto duracao = std::chrono::steady_clock::now() - inicio;
    EXPECT_EQ(mensagemStatus(),
              "Erro ao enviar backup para o servidor, contate o suporte. Conexão abandonada: "
              "nenhum dado trocado com o servidor em 2 segundos");
    EXPECT_GE(duracao, std::chrono::milliseconds(1500));
    EXPECT_LT(duracao, std::chrono::seconds(30));
    EXPECT_EQ(ui_.chamadas(), std::vector<std::string>{"loadOrErro(true)"});
}

TEST_F(Upload, AConnectionLostWhileTheArchiveIsSentFailsTheUpload) {
    teste::escreverArquivo(arquivo_, std::string(20 << 20, 'z'));
    RespostaRoteirizada corte;
    corte.cortar = true;
    ServidorTlsRoteirizado servidor({corte});
    EXPECT_FALSE(enviar(servidor.url()));
    const std::string prefixo = kMsgErroEnvio;
    EXPECT_EQ(mensagemStatus().substr(0, prefixo.size()), prefixo);
    EXPECT_GT(mensagemStatus().size(), prefixo.size()) << mensagemStatus();
    EXPECT_EQ(servidor.pedidos().size(), 1u);
    EXPECT_EQ(ui_.chamadas(), std::vector<std::string>{"loadOrErro(true)"});
}

TEST_F(Upload, ConnectionRefusedAndAMissingArchiveFailWithTheirMessage) {
    EXPECT_FALSE(enviar("https://127.0.0.1:9/"));
    const std::string prefixo = kMsgErroEnvio;
    EXPECT_EQ(mensagemStatus().substr(0, prefixo.size()), prefixo);
    EXPECT_NE(mensagemStatus().find("127.0.0.1"), std::string::npos) << mensagemStatus();

    ServidorTlsRoteirizado servidor({{kOk}});
    urlUpload = servidor.url();
    ScriptedUi ui;
    EXPECT_FALSE(enviarCopiaOnline(ui, (arquivo_.parent_path() / "sumiu.zip").string()));
    EXPECT_NE(mensagemStatus().find("sumiu.zip"), std::string::npos) << mensagemStatus();
    EXPECT_EQ(mensagemStatus().substr(0, prefixo.size()), prefixo);
    EXPECT_EQ(ui.chamadas(), std::vector<std::string>{"loadOrErro(true)"});
    EXPECT_TRUE(servidor.pedidos().empty());
}

}  // namespace
}  // namespace vaultkeep
