#include "online/form_request.hpp"

#include <curl/curl.h>
#include <openssl/ssl.h>

#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <utility>

#include "common/base64.hpp"
#include "common/codepage.hpp"
#include "online/charset.hpp"

namespace vaultkeep {
namespace {

std::atomic<long long> gLimiteParadaMs{5 * 60 * 1000};

void iniciarCurl() {
    static std::once_flag uma;
    std::call_once(uma, [] {
        if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
            throw std::runtime_error("Não foi possível iniciar a biblioteca HTTP");
    });
}

struct LiberaCurl {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
using Curl = std::unique_ptr<CURL, LiberaCurl>;

struct LiberaLista {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
using ListaCabecalhos = std::unique_ptr<curl_slist, LiberaLista>;

void anexar(ListaCabecalhos& lista, const std::string& linha) {
    curl_slist* nova = curl_slist_append(lista.get(), linha.c_str());
    if (!nova)
        throw std::bad_alloc();
    lista.release();
    lista.reset(nova);
}

// Everything one transfer's callbacks share.
struct Transferencia {
    FormularioMultipart* formulario = nullptr;
    std::chrono::milliseconds limiteParada{};
    std::size_t maximoCorpo = 0;

    std::string linhaStatus;
    std::string corpo;
    std::exception_ptr erro;  // raised inside a callback
    bool parado = false;
    bool grandeDemais = false;

    std::chrono::steady_clock::time_point ultimoByte = std::chrono::steady_clock::now();
    curl_off_t ultimoTotal = 0;

    void andou() { ultimoByte = std::chrono::steady_clock::now(); }
};

std::size_t lerCorpo(char* destino, std::size_t tamanho, std::size_t n, void* dados) {
    auto* t = static_cast<Transferencia*>(dados);
    try {
        const std::size_t lidos = t->formulario->ler(destino, tamanho * n);
        if (lidos > 0)
            t->andou();
        return lidos;
    } catch (...) {
        t->erro = std::current_exception();
        return CURL_READFUNC_ABORT;
    }
}

int posicionarCorpo(void* dados, curl_off_t deslocamento, int origem) {
    auto* t = static_cast<Transferencia*>(dados);
    // libcurl only ever asks to go back to the start (a connection that died
    // before the request went out is opened again).
    if (origem != SEEK_SET || deslocamento != 0)
        return CURL_SEEKFUNC_CANTSEEK;
    t->formulario->rebobinar();
    return CURL_SEEKFUNC_OK;
}

std::size_t receberCorpo(char* dados, std::size_t tamanho, std::size_t n, void* usuario) {
    auto* t = static_cast<Transferencia*>(usuario);
    const std::size_t total = tamanho * n;
    t->andou();
    if (t->corpo.size() + total > t->maximoCorpo) {
        t->grandeDemais = true;
        return 0;
    }
    t->corpo.append(dados, total);
    return total;
}

std::size_t receberCabecalho(char* dados, std::size_t tamanho, std::size_t n, void* usuario) {
    auto* t = static_cast<Transferencia*>(usuario);
    const std::size_t total = tamanho * n;
    t->andou();
    std::string_view linha(dados, total);
    if (linha.substr(0, 5) == "HTTP/") {
        // A new answer begins (after a 1xx): only the last one counts.
        while (!linha.empty() && (linha.back() == '\n' || linha.back() == '\r'))
            linha.remove_suffix(1);
        t->linhaStatus = std::string(linha);
        t->corpo.clear();
    }
    return total;
}

int progresso(void* usuario, curl_off_t, curl_off_t dlnow, curl_off_t, curl_off_t ulnow) {
    auto* t = static_cast<Transferencia*>(usuario);
    const auto agora = std::chrono::steady_clock::now();
    if (dlnow + ulnow != t->ultimoTotal) {
        t->ultimoTotal = dlnow + ulnow;
        t->ultimoByte = agora;
    }
    if (agora - t->ultimoByte >= t->limiteParada) {
        t->parado = true;
        return 1;
    }
    return 0;
}

CURLcode configurarTls(CURL*, void* contexto, void* usuario) {
    auto* ctx = static_cast<SSL_CTX*>(contexto);
    const auto versoes = *static_cast<const VersoesTls*>(usuario);
    if (versoes == VersoesTls::SomenteTls12) {
        if (!SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION) ||
            !SSL_CTX_set_max_proto_version(ctx, TLS1_2_VERSION))
            return CURLE_SSL_CIPHER;
    } else {
        // 0: the oldest version this OpenSSL was built with. The old versions are
        // only allowed at security level 0.
        SSL_CTX_set_security_level(ctx, 0);
        if (!SSL_CTX_set_min_proto_version(ctx, 0) ||
            !SSL_CTX_set_max_proto_version(ctx, TLS1_2_VERSION))
            return CURLE_SSL_CIPHER;
    }
    return CURLE_OK;
}

std::string segundos(std::chrono::milliseconds d) {
    const long long s = (d.count() + 999) / 1000;
    return std::to_string(s) + (s == 1 ? " segundo" : " segundos");
}

struct Resposta {
    long status = 0;
    std::string linhaStatus;
    std::string corpo;
    std::string tipoConteudo;
    std::string destino;  // absolute URL of the Location, if any
};

#define VK_OPCAO(c, opcao, valor)                                                       \
    do {                                                                                \
        if (curl_easy_setopt((c), (opcao), (valor)) != CURLE_OK)                        \
            throw std::runtime_error("Opção não aceita pela biblioteca HTTP: " #opcao); \
    } while (0)

}  // namespace

std::chrono::milliseconds limiteParadaPadrao() {
    return std::chrono::milliseconds(gLimiteParadaMs.load());
}

void definirLimiteParadaPadrao(std::chrono::milliseconds limite) {
    gLimiteParadaMs.store(limite.count());
}

RequisicaoFormulario::RequisicaoFormulario(OpcoesRequisicao opcoes) : opcoes_(std::move(opcoes)) {}

std::string RequisicaoFormulario::enviar(const std::string& url, FormularioMultipart& formulario) {
    iniciarCurl();
    Curl curl(curl_easy_init());
    if (!curl)
        throw std::runtime_error("Não foi possível iniciar o cliente HTTP");

    const std::string autorizacao =
        "Authorization: Basic " + codificarBase64(":" + utf8ParaLatin1(opcoes_.senha));
    VersoesTls versoes = opcoes_.versoes;
    std::string destino = url;
    bool comCorpo = true;

    for (int redirecionamentos = 0;; ++redirecionamentos) {
        CURL* c = curl.get();
        curl_easy_reset(c);  // keeps open connections and the TLS sessions

        ListaCabecalhos cabecalhos;
        anexar(cabecalhos, "Connection: keep-alive");
        if (comCorpo) {
            anexar(cabecalhos, "Content-Type: " + formulario.tipoConteudo());
            anexar(cabecalhos, "Content-Length: " + std::to_string(formulario.tamanho()));
        }
        anexar(cabecalhos, std::string("Accept: ") + kAcceptFormulario);
        anexar(cabecalhos, std::string("User-Agent: ") + kAgenteUsuario);
        anexar(cabecalhos, autorizacao);
        anexar(cabecalhos, "Expect:");

        Transferencia t;
        t.formulario = &formulario;
        t.limiteParada = opcoes_.limiteParada;
        t.maximoCorpo = opcoes_.maximoCorpo;
        char erroCurl[CURL_ERROR_SIZE] = {};

        VK_OPCAO(c, CURLOPT_URL, destino.c_str());
        VK_OPCAO(c, CURLOPT_PROTOCOLS_STR, "http,https");
        VK_OPCAO(c, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
        VK_OPCAO(c, CURLOPT_PROXY, "");  // the system's proxy variables are not used
        VK_OPCAO(c, CURLOPT_NOSIGNAL, 1L);
        VK_OPCAO(c, CURLOPT_FOLLOWLOCATION, 0L);
        VK_OPCAO(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(opcoes_.tempoConexao.count()));
        VK_OPCAO(c, CURLOPT_SSL_VERIFYPEER, 0L);
        VK_OPCAO(c, CURLOPT_SSL_VERIFYHOST, 0L);
        VK_OPCAO(c, CURLOPT_SSLVERSION,
                 versoes == VersoesTls::SomenteTls12
                     ? static_cast<long>(CURL_SSLVERSION_TLSv1_2) | CURL_SSLVERSION_MAX_TLSv1_2
                     : static_cast<long>(CURL_SSLVERSION_TLSv1_0) | CURL_SSLVERSION_MAX_TLSv1_2);
        VK_OPCAO(c, CURLOPT_SSL_CTX_FUNCTION, &configurarTls);
        VK_OPCAO(c, CURLOPT_SSL_CTX_DATA, &versoes);
        VK_OPCAO(c, CURLOPT_HTTPHEADER, cabecalhos.get());
        VK_OPCAO(c, CURLOPT_HEADERFUNCTION, &receberCabecalho);
        VK_OPCAO(c, CURLOPT_HEADERDATA, &t);
        VK_OPCAO(c, CURLOPT_WRITEFUNCTION, &receberCorpo);
        VK_OPCAO(c, CURLOPT_WRITEDATA, &t);
        VK_OPCAO(c, CURLOPT_NOPROGRESS, 0L);
        VK_OPCAO(c, CURLOPT_XFERINFOFUNCTION, &progresso);
        VK_OPCAO(c, CURLOPT_XFERINFODATA, &t);
        VK_OPCAO(c, CURLOPT_ERRORBUFFER, erroCurl);
        if (comCorpo) {
            formulario.rebobinar();
            VK_OPCAO(c, CURLOPT_POST, 1L);
            VK_OPCAO(c, CURLOPT_READFUNCTION, &lerCorpo);
            VK_OPCAO(c, CURLOPT_READDATA, &t);
            VK_OPCAO(c, CURLOPT_SEEKFUNCTION, &posicionarCorpo);
            VK_OPCAO(c, CURLOPT_SEEKDATA, &t);
            VK_OPCAO(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(formulario.tamanho()));
        } else {
            VK_OPCAO(c, CURLOPT_HTTPGET, 1L);
        }

        const CURLcode rc = curl_easy_perform(c);
        if (rc != CURLE_OK) {
            if (t.erro)
                std::rethrow_exception(t.erro);
            if (t.parado)
                throw std::runtime_error(
                    "Conexão abandonada: nenhum dado trocado com o servidor em " +
                    segundos(opcoes_.limiteParada));
            if (t.grandeDemais)
                throw std::runtime_error("Resposta do servidor grande demais");
            throw std::runtime_error(erroCurl[0] ? erroCurl : curl_easy_strerror(rc));
        }

        Resposta r;
        curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &r.status);
        if (const char* tipo = nullptr;
            curl_easy_getinfo(c, CURLINFO_CONTENT_TYPE, &tipo) == CURLE_OK && tipo)
            r.tipoConteudo = tipo;
        if (const char* local = nullptr;
            curl_easy_getinfo(c, CURLINFO_REDIRECT_URL, &local) == CURLE_OK && local)
            r.destino = local;
        r.linhaStatus = std::move(t.linhaStatus);
        r.corpo = std::move(t.corpo);

        if (r.status >= 200 && r.status < 300)
            return decodificarCorpo(r.corpo, r.tipoConteudo);
        if (r.status >= 300 && r.status < 400 && r.status != 304 && !r.destino.empty()) {
            if (redirecionamentos >= opcoes_.maximoRedirecionamentos)
                throw std::runtime_error("Redirecionamentos demais (mais de " +
                                         std::to_string(opcoes_.maximoRedirecionamentos) +
                                         "): " + r.linhaStatus);
            if (r.status == 303)
                comCorpo = false;
            destino = std::move(r.destino);
            continue;
        }
        throw std::runtime_error(r.linhaStatus.empty() ? "Resposta HTTP " + std::to_string(r.status)
                                                       : r.linhaStatus);
    }
}

}  // namespace vaultkeep
