#include "server/reference_server.hpp"

#include <httplib.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <nlohmann/json.hpp>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <stdexcept>
#include <thread>

#include "common/clock.hpp"
#include "common/codepage.hpp"
#include "common/text.hpp"
#include "online/quoted_printable.hpp"
#include "server/backup_store.hpp"
#include "server/self_signed.hpp"

namespace vaultkeep::servidor {
namespace {

constexpr std::size_t kMaximoCampoTexto = 4096;

std::optional<std::string> base64Decodificado(std::string_view texto) {
    if (texto.empty() || texto.size() % 4 != 0)
        return std::nullopt;
    std::string out(texto.size() / 4 * 3, '\0');
    const int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                  reinterpret_cast<const unsigned char*>(texto.data()),
                                  static_cast<int>(texto.size()));
    if (n < 0)
        return std::nullopt;
    std::size_t preenchimento = 0;
    for (auto it = texto.rbegin(); it != texto.rend() && *it == '=' && preenchimento < 2; ++it)
        ++preenchimento;
    out.resize(static_cast<std::size_t>(n) - preenchimento);
    return out;
}

std::string hexAleatorio(std::size_t bytes) {
    std::string b(bytes, '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char*>(b.data()), static_cast<int>(bytes)) != 1)
        throw std::runtime_error("RAND_bytes");
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : b) {
        out.push_back(kHex[c >> 4]);
        out.push_back(kHex[c & 15]);
    }
    return out;
}

std::string codificarUrl(std::string_view s) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '.' || c == '_' || c == '~') {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        }
    }
    return out;
}

std::string dataArquivo(fs::file_time_type quando) {
    const auto sys = std::chrono::file_clock::to_sys(quando);
    const std::tm t = horaLocal(std::chrono::time_point_cast<Relogio::duration>(sys));
    return formatarHora(t, "%Y-%m-%d %H:%M:%S");
}

// The answers carry "status" the way the client reads it: true means refused.
void responder(httplib::Response& res, int status, bool recusado, const std::string& mensagem,
               const std::string& extra = {}) {
    res.status = status;
    // A refused request may have left part of its body unread: never read on
    // from this connection.
    if (recusado)
        res.set_header("Connection", "close");
    std::string corpo = std::string("{\"status\": ") + (recusado ? "true" : "false") +
                        ", \"message\": " + nlohmann::json(mensagem).dump() + extra + "}";
    res.set_content(corpo, "application/json; charset=utf-8");
}

// A form read field by field: text fields are kept (up to a few KiB), the file
// field named `campoArquivo` goes to `arquivo`.
struct FormularioRecebido {
    std::map<std::string, std::string> textos;
    std::optional<ArquivoRecebido> arquivo;
    std::string nomeArquivo;
    std::string erro;  // why reading stopped
};

FormularioRecebido lerFormulario(const httplib::Request& req, const httplib::ContentReader& leitor,
                                 const Armazem* armazem, const std::string& campoArquivo) {
    FormularioRecebido f;
    if (!req.is_multipart_form_data()) {
        f.erro = "O pedido não é um formulário multipart";
        return f;
    }
    std::string atual;
    bool ehArquivo = false;
    const bool ok = leitor(
        [&](const httplib::MultipartFormData& parte) {
            atual = parte.name;
            ehArquivo = armazem && parte.name == campoArquivo && !parte.filename.empty();
            if (ehArquivo) {
                if (f.arquivo) {
                    f.erro = "O campo \"" + campoArquivo + "\" veio mais de uma vez";
                    return false;
                }
                f.arquivo.emplace(armazem->pastaRecebimento());
                f.nomeArquivo = parte.filename;
            } else {
                f.textos[atual];
            }
            return true;
        },
        [&](const char* dados, std::size_t n) {
            if (ehArquivo) {
                if (!f.arquivo->escrever(dados, n)) {
                    f.erro = "Falha ao gravar o arquivo recebido";
                    return false;
                }
                return true;
            }
            std::string& texto = f.textos[atual];
            if (texto.size() + n > kMaximoCampoTexto) {
                f.erro = "O campo \"" + atual + "\" é grande demais";
                return false;
            }
            texto.append(dados, n);
            return true;
        });
    if (!ok && f.erro.empty())
        f.erro = "Formulário inválido";
    return f;
}

// The text of a quoted-printable ISO-8859-1 field, as the client sends it.
std::string textoDoCampo(const std::string& bruto) {
    return latin1ParaUtf8(decodificarQuotedPrintable(bruto));
}

// A server only stops once it listens: wait for that a moment, then stop it.
void pararQuandoOuvir(httplib::Server& srv) {
    for (int i = 0; i < 500 && !srv.is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    srv.stop();
}

}  // namespace

struct ServidorReferencia::Impl {
    Configuracao cfg;
    Armazem armazem;
    std::string senhaLatin1;
    std::string token = hexAleatorio(16);
    Identidade identidade;
    std::unique_ptr<httplib::SSLServer> https;
    httplib::Server http;
    int portaHttps = 0;
    int portaDownload = 0;
    std::atomic<bool> parando{false};
    std::atomic<bool> terminou{false};

    explicit Impl(Configuracao c)
        : cfg(std::move(c)), armazem(cfg.armazenamento), senhaLatin1(utf8ParaLatin1(cfg.senha)) {}

    bool autorizado(const httplib::Request& req) const {
        const std::string v = aparar(req.get_header_value("Authorization"));
        if (v.size() < 6 || !iguaisSemCaixaAscii(v.substr(0, 6), "Basic "))
            return false;
        const auto credenciais = base64Decodificado(aparar(v.substr(6)));
        if (!credenciais)
            return false;
        const auto doisPontos = credenciais->find(':');
        if (doisPontos == std::string::npos)
            return false;
        const std::string senha = credenciais->substr(doisPontos + 1);
        return senha.size() == senhaLatin1.size() &&
               CRYPTO_memcmp(senha.data(), senhaLatin1.data(), senha.size()) == 0;
    }

    // The body is read and dropped, so that a client keeping the connection does
    // not see it taken for its next request.
    void negar(const httplib::Request& req, httplib::Response& res,
               const httplib::ContentReader& leitor) const {
        const auto descartar = [](const char*, std::size_t) { return true; };
        if (req.is_multipart_form_data())
            leitor([](const httplib::MultipartFormData&) { return true; }, descartar);
        else
            leitor(descartar);
        res.set_header("WWW-Authenticate", "Basic realm=\"vaultkeep\"");
        responder(res, 401, true, "Credenciais inválidas");
    }

    void receberUpload(const httplib::Request& req, httplib::Response& res,
                       const httplib::ContentReader& leitor) {
        if (!autorizado(req))
            return negar(req, res, leitor);
        FormularioRecebido f = lerFormulario(req, leitor, &armazem, "sendimage");
        if (!f.erro.empty())
            return responder(res, 400, true, f.erro);
        const auto user = f.textos.find("user");
        if (user == f.textos.end() || !f.arquivo)
            return responder(res, 400, true, "Os campos \"user\" e \"sendimage\" são obrigatórios");
        const std::string nome = textoDoCampo(user->second);
        if (nome.empty())
            return responder(res, 400, true, "O nome do estabelecimento está vazio");
        const std::string& inicio = f.arquivo->inicio();
        if (inicio != std::string("PK\x03\x04", 4) && inicio != std::string("PK\x05\x06", 4))
            return responder(res, 200, true, "O arquivo enviado não é um arquivo ZIP");
        try {
            const ArquivoGuardado g = armazem.guardar(*f.arquivo, nome, f.nomeArquivo);
            std::cerr << "vaultkeep-server: guardado " << g.chave << "/" << g.nome << " ("
                      << fs::file_size(g.caminho) << " bytes) de " << nome << std::endl;
            responder(res, 200, false, "Arquivo recebido",
                      ", \"file\": " + nlohmann::json(g.nome).dump());
        } catch (const std::exception& e) {
            responder(res, 500, true, std::string("Falha ao guardar o arquivo: ") + e.what());
        }
    }

    void consultar(const httplib::Request& req, httplib::Response& res,
                   const httplib::ContentReader& leitor) {
        if (!autorizado(req))
            return negar(req, res, leitor);
        FormularioRecebido f = lerFormulario(req, leitor, nullptr, "");
        if (!f.erro.empty())
            return responder(res, 400, true, f.erro);
        const auto campo = f.textos.find("filekey");
        std::string chave = campo == f.textos.end() ? "" : textoDoCampo(campo->second);
        if (chave.size() >= 2 && chave.front() == '\'' && chave.back() == '\'')
            chave = chave.substr(1, chave.size() - 2);
        chave = maiusculasAscii(chave);
        if (!chaveValida(chave))
            return responder(res, 400, true, "Chave inválida");
        const auto g = armazem.maisRecente(chave);
        if (!g)
            return responder(res, 404, true, "Nenhum backup encontrado");
        const std::string link = "http://127.0.0.1:" + std::to_string(portaDownload) + "/" + token +
                                 "/" + g->chave + "/" + codificarUrl(g->nome);
        nlohmann::json resposta = {
            {"link", link}, {"date", dataArquivo(g->modificado)}, {"originalFileName", g->nome}};
        res.status = 200;
        res.set_content(resposta.dump(), "application/json; charset=utf-8");
    }

    void baixar(const httplib::Request& req, httplib::Response& res) {
        if (req.matches.size() != 4 || req.matches[1].str() != token) {
            res.status = 404;
            return;
        }
        const auto caminho = armazem.localizar(req.matches[2].str(), req.matches[3].str());
        if (!caminho) {
            res.status = 404;
            return;
        }
        auto arquivo = std::make_shared<std::ifstream>(*caminho, std::ios::binary);
        std::error_code ec;
        const auto tamanho = fs::file_size(*caminho, ec);
        if (!*arquivo || ec) {
            res.status = 500;
            return;
        }
        res.set_header("Content-Disposition",
                       "attachment; filename=\"" + caminho->filename().string() + "\"");
        res.set_content_provider(
            static_cast<std::size_t>(tamanho), "application/x-zip-compressed",
            [arquivo](std::size_t deslocamento, std::size_t quanto, httplib::DataSink& sink) {
                std::vector<char> buf(std::min<std::size_t>(quanto, 1 << 16));
                arquivo->seekg(static_cast<std::streamoff>(deslocamento));
                arquivo->read(buf.data(), static_cast<std::streamsize>(buf.size()));
                const auto n = arquivo->gcount();
                return n > 0 && sink.write(buf.data(), static_cast<std::size_t>(n));
            });
    }
};

ServidorReferencia::ServidorReferencia(Configuracao cfg)
    : impl_(std::make_unique<Impl>(std::move(cfg))) {
    Impl& s = *impl_;
    if (s.cfg.certificado.empty()) {
        s.identidade = gerarIdentidadeAutoassinada();
        s.https = std::make_unique<httplib::SSLServer>(s.identidade.certificado.get(),
                                                       s.identidade.chave.get());
    } else {
        s.https = std::make_unique<httplib::SSLServer>(s.cfg.certificado.c_str(),
                                                       s.cfg.chavePrivada.c_str());
    }
    if (!s.https->is_valid())
        throw std::runtime_error("Certificado ou chave inválidos");

    auto registro = [](const char* lado) {
        return [lado](const httplib::Request& req, const httplib::Response& res) {
            std::cerr << "vaultkeep-server: " << lado << " " << req.method << " " << req.path << " "
                      << res.status << std::endl;
        };
    };
    s.https->set_logger(registro("https"));
    s.http.set_logger(registro("http"));

    s.https->Post(R"((.*/)?show/?)",
                  [&s](const httplib::Request& req, httplib::Response& res,
                       const httplib::ContentReader& leitor) { s.consultar(req, res, leitor); });
    s.https->Post(
        R"(.*)", [&s](const httplib::Request& req, httplib::Response& res,
                      const httplib::ContentReader& leitor) { s.receberUpload(req, res, leitor); });
    s.http.Get(R"(/([0-9a-f]{32})/([0-9A-F]{32})/([^/]+))",
               [&s](const httplib::Request& req, httplib::Response& res) { s.baixar(req, res); });

    auto ligar = [](httplib::Server& srv, int porta, const char* qual) {
        if (porta == 0) {
            const int p = srv.bind_to_any_port("127.0.0.1");
            if (p <= 0)
                throw std::runtime_error(std::string("Não foi possível abrir a porta ") + qual);
            return p;
        }
        if (!srv.bind_to_port("127.0.0.1", porta))
            throw std::runtime_error(std::string("Não foi possível abrir a porta ") + qual + " " +
                                     std::to_string(porta));
        return porta;
    };
    s.portaHttps = ligar(*s.https, s.cfg.portaHttps, "HTTPS");
    s.portaDownload = ligar(s.http, s.cfg.portaDownload, "de download");
}

ServidorReferencia::~ServidorReferencia() = default;

int ServidorReferencia::portaHttps() const {
    return impl_->portaHttps;
}
int ServidorReferencia::portaDownload() const {
    return impl_->portaDownload;
}

void ServidorReferencia::executar() {
    Impl& s = *impl_;
    if (!s.parando) {
        std::thread download([&s] { s.http.listen_after_bind(); });
        s.https->listen_after_bind();
        if (!s.parando)  // the HTTPS side ended on its own
            pararQuandoOuvir(s.http);
        download.join();
    }
    s.terminou = true;
}

void ServidorReferencia::parar() {
    Impl& s = *impl_;
    if (s.parando.exchange(true) || s.terminou)
        return;
    pararQuandoOuvir(*s.https);
    pararQuandoOuvir(s.http);
}

}  // namespace vaultkeep::servidor
