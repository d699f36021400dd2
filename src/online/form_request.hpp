#pragma once
// The form request to the backup server, shared by the upload and the lookup.
//
// On the wire: "POST <path> HTTP/1.0", then Host (libcurl always writes it first),
// Connection: keep-alive, the multipart Content-Type, Content-Length, Accept,
// User-Agent and Basic Authorization (empty user name) in that order; no Expect,
// no chunks, no compression, no cookies. The body streams from the form.
//
// The answer: 1xx answers are skipped; a 3xx other than 304 that carries a
// Location is followed, at most 15 times in a row, with the credentials again:
// after 303 the request becomes a GET without a body, after 301, 302, 307 and 308
// the same POST goes again with the form read from its start. A final status
// outside 2xx is an error whose message is the status line. The body of a 2xx
// answer is decoded by the charset of its Content-Type, else as ISO-8859-1.
//
// TLS: no certificate verification, server name indication with the URL's host.
// The connection must be made within the connect time-out; after that, a
// transfer in which no byte moves for the stall limit (5 minutes unless set) is
// abandoned with an error rather than left hanging.

#include <chrono>
#include <cstddef>
#include <string>

#include "online/multipart_form.hpp"

namespace vaultkeep {

// The protocol versions the TLS layer offers.
enum class VersoesTls {
    SomenteTls12,  // TLS 1.2 and nothing else (the upload)
    AteTls12,      // every version the TLS library can still speak, up to 1.2 (the lookup)
};

inline constexpr const char* kAcceptFormulario =
    "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";
inline constexpr const char* kAgenteUsuario =
    "Mozilla/5.0 (compatible; Vaultkeep/" VAULTKEEP_VERSION ")";

// The stall limit new requests start with: 5 minutes. Tests shorten it for their
// own process.
std::chrono::milliseconds limiteParadaPadrao();
void definirLimiteParadaPadrao(std::chrono::milliseconds limite);

struct OpcoesRequisicao {
    VersoesTls versoes = VersoesTls::SomenteTls12;
    std::string senha;  // Basic password; the user name is empty
    std::chrono::milliseconds tempoConexao{100000};
    std::chrono::milliseconds limiteParada = limiteParadaPadrao();
    int maximoRedirecionamentos = 15;
    // The largest answer body kept; a longer one is an error (a backup server
    // answers a few hundred bytes).
    std::size_t maximoCorpo = 16u << 20;
};

class RequisicaoFormulario {
  public:
    explicit RequisicaoFormulario(OpcoesRequisicao opcoes);

    // Sends the form to `url` and returns the decoded body of the final answer.
    // Every failure (name resolution, connection, time-out, TLS, an error status,
    // a lost connection, too many redirects, a file that cannot be read) throws
    // std::runtime_error with its message.
    std::string enviar(const std::string& url, FormularioMultipart& formulario);

  private:
    OpcoesRequisicao opcoes_;
};

}  // namespace vaultkeep
