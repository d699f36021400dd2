#include "server/self_signed.hpp"

#include <openssl/rand.h>
#include <openssl/x509v3.h>

#include <stdexcept>

namespace vaultkeep::servidor {
namespace {

void exigir(bool ok, const char* passo) {
    if (!ok)
        throw std::runtime_error(std::string("Falha ao gerar o certificado: ") + passo);
}

void adicionarExtensao(X509* cert, int nid, const char* valor) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, cert, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, valor);
    exigir(ext != nullptr, "extensão");
    const int ok = X509_add_ext(cert, ext, -1);
    X509_EXTENSION_free(ext);
    exigir(ok == 1, "extensão");
}

}  // namespace

Identidade gerarIdentidadeAutoassinada(bool vencido) {
    Identidade id;
    id.chave.reset(EVP_EC_gen("P-256"));
    exigir(id.chave != nullptr, "chave");
    id.certificado.reset(X509_new());
    X509* cert = id.certificado.get();
    exigir(cert != nullptr, "certificado");
    exigir(X509_set_version(cert, 2) == 1, "versão");

    unsigned char serie[16];
    exigir(RAND_bytes(serie, sizeof serie) == 1, "número de série");
    serie[0] &= 0x7F;
    BIGNUM* bn = BN_bin2bn(serie, sizeof serie, nullptr);
    exigir(bn != nullptr, "número de série");
    const bool serieOk = BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(cert)) != nullptr;
    BN_free(bn);
    exigir(serieOk, "número de série");

    constexpr long kDia = 24L * 3600;
    exigir(X509_gmtime_adj(X509_getm_notBefore(cert), vencido ? -30 * kDia : -kDia) != nullptr,
           "validade");
    exigir(X509_gmtime_adj(X509_getm_notAfter(cert), vencido ? -kDia : 365 * kDia) != nullptr,
           "validade");

    X509_NAME* nome = X509_get_subject_name(cert);
    exigir(X509_NAME_add_entry_by_txt(nome, "CN", MBSTRING_ASC,
                                      reinterpret_cast<const unsigned char*>("localhost"), -1, -1,
                                      0) == 1,
           "nome");
    exigir(X509_set_issuer_name(cert, nome) == 1, "emissor");
    exigir(X509_set_pubkey(cert, id.chave.get()) == 1, "chave pública");
    adicionarExtensao(cert, NID_subject_alt_name, "DNS:localhost,IP:127.0.0.1");
    adicionarExtensao(cert, NID_basic_constraints, "critical,CA:FALSE");
    exigir(X509_sign(cert, id.chave.get(), EVP_sha256()) > 0, "assinatura");
    return id;
}

}  // namespace vaultkeep::servidor
