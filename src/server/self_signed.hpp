#pragma once
// A self-signed certificate made in memory, for the reference server and the
// test servers: an EC P-256 key and a certificate for "localhost" and 127.0.0.1.

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <memory>

namespace vaultkeep::servidor {

struct LiberaChave {
    void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
struct LiberaCertificado {
    void operator()(X509* c) const { X509_free(c); }
};
using Chave = std::unique_ptr<EVP_PKEY, LiberaChave>;
using Certificado = std::unique_ptr<X509, LiberaCertificado>;

struct Identidade {
    Chave chave;
    Certificado certificado;
};

// A new key and a certificate signed with it. `vencido` gives one whose validity
// ended yesterday; otherwise it is valid from yesterday for a year. Throws
// std::runtime_error when OpenSSL fails.
Identidade gerarIdentidadeAutoassinada(bool vencido = false);

}  // namespace vaultkeep::servidor
