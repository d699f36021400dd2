#include <curl/curl.h>

#include <cstdlib>
#include <memory>
#include <mutex>
#include <string_view>

#include "tools/conexao.hpp"

namespace vaultkeep {
namespace {

constexpr const char* kEnderecoPublico = "http://www.google.com";
constexpr long kLimiteConexaoMs = 3000;
// Waiting for the status line after connecting; without it a peer that accepts
// and then stays silent would hold an unattended run forever.
constexpr long kLimiteRespostaMs = 10000;

struct FechaCurl {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};

size_t aoCabecalho(char* dados, size_t tamanho, size_t n, void* usuario) {
    const std::string_view linha(dados, tamanho * n);
    if (linha.starts_with("HTTP/"))
        *static_cast<bool*>(usuario) = true;
    return tamanho * n;
}

// The answer's status line is all we wanted: stop before any body is fetched.
size_t aoCorpo(char*, size_t, size_t, void*) {
    return 0;
}

}  // namespace

bool testarConexao() {
    try {
        static std::once_flag iniciado;
        std::call_once(iniciado, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

        const char* env = std::getenv("VAULTKEEP_PROBE_URL");
        const std::string endereco = (env && *env) ? env : kEnderecoPublico;

        std::unique_ptr<CURL, FechaCurl> c(curl_easy_init());
        if (!c)
            return false;
        bool respondeu = false;
        curl_easy_setopt(c.get(), CURLOPT_URL, endereco.c_str());
        curl_easy_setopt(c.get(), CURLOPT_HTTPGET, 1L);
        curl_easy_setopt(c.get(), CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(c.get(), CURLOPT_CONNECTTIMEOUT_MS, kLimiteConexaoMs);
        curl_easy_setopt(c.get(), CURLOPT_TIMEOUT_MS, kLimiteConexaoMs + kLimiteRespostaMs);
        curl_easy_setopt(c.get(), CURLOPT_HEADERFUNCTION, aoCabecalho);
        curl_easy_setopt(c.get(), CURLOPT_HEADERDATA, &respondeu);
        curl_easy_setopt(c.get(), CURLOPT_WRITEFUNCTION, aoCorpo);
        curl_easy_perform(c.get());
        return respondeu;
    } catch (...) {
        return false;
    }
}

}  // namespace vaultkeep
