#pragma once
// The reference backup server: what the program's upload and lookup talk to in
// the tests and the demo.
//
// - HTTPS on 127.0.0.1: a POST to a path ending in "/show" is the lookup, any
//   other POST the upload. Both demand Basic credentials whose password is the
//   configured one (any user name).
// - The upload (fields "user", quoted-printable ISO-8859-1, and "sendimage")
//   stores the archive under md5Hex of the name and answers
//   {"status": false, ...}; an upload that is no ZIP archive is refused with
//   200 and {"status": true, ...}, a malformed form with 400.
// - The lookup (field "filekey": the key between apostrophes) answers the newest
//   archive of the key as {"link", "date", "originalFileName"}, or 404.
// - Plain HTTP on a second 127.0.0.1 port serves the links the lookup hands out;
//   each link carries a token drawn when the server starts.

#include <filesystem>
#include <memory>
#include <string>

namespace vaultkeep::servidor {

struct Configuracao {
    int portaHttps = 0;     // 0: any free port
    int portaDownload = 0;  // 0: any free port
    std::filesystem::path armazenamento;
    std::string senha;
    std::filesystem::path certificado;   // PEM; empty: a self-signed one made at start
    std::filesystem::path chavePrivada;  // PEM, with `certificado`
};

class ServidorReferencia {
  public:
    // Binds both ports; throws std::runtime_error when it cannot.
    explicit ServidorReferencia(Configuracao cfg);
    ~ServidorReferencia();

    int portaHttps() const;
    int portaDownload() const;

    // Serves until `parar` (from any thread).
    void executar();
    void parar();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vaultkeep::servidor
