// Drives the archive writer and reader for scripts/bench, and makes its sample
// database.
//
//   vaultkeep_zipbench gerar <file> <MiB>
//   vaultkeep_zipbench compactar <archive> <base folder> <mask> <password>
//   vaultkeep_zipbench extrair <archive> <destination> <mask> <password>
//
// Any prompt counts as a failure: it is printed, answered Abort / Cancel, and the
// exit status is 1.

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <string>
#include <vector>

#include "backup/zip_archive.hpp"

namespace {

using namespace vaultkeep;

class UiBench : public UiPortSemPessoa {
  public:
    bool houvePrompt = false;
    RespostaFalha falhaArquivo(const std::string& texto, bool) override {
        std::fprintf(stderr, "failure prompt: %s\n", texto.c_str());
        houvePrompt = true;
        return RespostaFalha::Abortar;
    }
    std::optional<std::string> pedirSenha(const std::string& titulo, const std::string&) override {
        std::fprintf(stderr, "password prompt: %s\n", titulo.c_str());
        houvePrompt = true;
        return std::nullopt;
    }
};

// xorshift64*: fast and the same on every machine, so every run measures the
// same bytes.
struct Aleatorio {
    std::uint64_t s;
    std::uint64_t operator()() {
        s ^= s >> 12;
        s ^= s << 25;
        s ^= s >> 27;
        return s * 2685821657736338717ull;
    }
    std::uint32_t ate(std::uint32_t n) { return static_cast<std::uint32_t>((*this)() % n); }
};

constexpr std::size_t kPagina = 8192;

const char* const kPalavras[] = {
    "ARROZ TIPO 1 5KG",
    "FEIJAO CARIOCA 1KG",
    "CAFE TORRADO 500G",
    "ACUCAR REFINADO",
    "OLEO DE SOJA 900ML",
    "LEITE INTEGRAL 1L",
    "MARIA DA SILVA",
    "JOAO DE SOUZA",
    "ANA PAULA OLIVEIRA",
    "RUA DAS FLORES",
    "AV. BRASIL",
    "SAO PAULO",
    "CURITIBA",
    "BELO HORIZONTE",
    "DINHEIRO",
    "CARTAO CREDITO",
    "CARTAO DEBITO",
    "PIX",
    "CANCELADO",
    "FINALIZADO",
    "ABERTO",
    "CONSUMIDOR FINAL",
    "NFC-E",
    "SAT",
    "UN",
    "KG",
    "CX",
};

// One database page: a header, then records of numbers, dates and text, then
// free space; or an index page of sorted keys; or a free page (zeros); or a blob
// page (noise, like stored images).
void pagina(Aleatorio& r, std::uint32_t numero, unsigned char* p) {
    std::memset(p, 0, kPagina);
    const std::uint32_t tipo = r.ate(100);
    p[0] = static_cast<unsigned char>(tipo < 20 ? 0 : tipo < 30 ? 8 : tipo < 45 ? 7 : 5);
    std::memcpy(p + 4, &numero, 4);
    const std::uint32_t geracao = r.ate(1000);
    std::memcpy(p + 8, &geracao, 4);
    if (tipo < 20)
        return;       // free page
    if (tipo < 30) {  // blob
        for (std::size_t i = 16; i + 8 <= kPagina; i += 8) {
            const std::uint64_t v = r();
            std::memcpy(p + i, &v, 8);
        }
        return;
    }
    std::size_t pos = 16;
    if (tipo < 45) {  // index: ascending keys with a common prefix
        std::uint32_t chave = numero * 97 + r.ate(50);
        while (pos + 12 < kPagina) {
            chave += 1 + r.ate(7);
            std::memcpy(p + pos, "IDX", 3);
            std::memcpy(p + pos + 4, &chave, 4);
            const std::uint32_t ponteiro = r.ate(1u << 20);
            std::memcpy(p + pos + 8, &ponteiro, 4);
            pos += 12;
        }
        return;
    }
    // data page: used to 40..95%, the rest free
    const std::size_t fim = 16 + (kPagina - 16) * (40 + r.ate(56)) / 100;
    std::uint32_t id = numero * 13;
    while (pos + 96 < fim) {
        id += 1 + r.ate(3);
        std::memcpy(p + pos, &id, 4);
        const std::uint32_t valor = r.ate(100000);
        std::memcpy(p + pos + 4, &valor, 4);
        const std::uint32_t data = 20230101 + r.ate(1231);
        std::memcpy(p + pos + 8, &data, 4);
        pos += 12;
        for (int campo = 0; campo < 2; ++campo) {
            const char* w = kPalavras[r.ate(sizeof kPalavras / sizeof *kPalavras)];
            const std::size_t n = std::strlen(w);
            std::memcpy(p + pos, w, n);
            pos += n + 1 + r.ate(6);
        }
        const int digitos =
            std::snprintf(reinterpret_cast<char*>(p + pos), 16, "%u", r.ate(999999));
        pos += static_cast<std::size_t>(digitos) + 2;
    }
}

int gerar(const std::string& caminho, std::uint64_t mib) {
    std::ofstream f(caminho, std::ios::binary | std::ios::trunc);
    Aleatorio r{0x9E3779B97F4A7C15ull};
    std::vector<unsigned char> bloco(1u << 20);
    std::uint32_t numero = 0;
    for (std::uint64_t i = 0; i < mib; ++i) {
        for (std::size_t off = 0; off < bloco.size(); off += kPagina)
            pagina(r, numero++, bloco.data() + off);
        f.write(reinterpret_cast<const char*>(bloco.data()),
                static_cast<std::streamsize>(bloco.size()));
    }
    f.close();
    return f ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string cmd = argc > 1 ? argv[1] : "";
    try {
        if (cmd == "gerar" && argc == 4)
            return gerar(argv[2], std::stoull(argv[3]));
        if ((cmd == "compactar" || cmd == "extrair") && argc == 6) {
            UiBench ui;
            if (cmd == "compactar")
                compactarArquivos(ui, argv[2], argv[3], argv[4], argv[5]);
            else
                extrairArquivos(ui, argv[2], argv[3], argv[4], argv[5]);
            return ui.houvePrompt ? 1 : 0;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "error: %s\n", e.what());
        return 1;
    }
    std::fprintf(stderr,
                 "usage: vaultkeep_zipbench gerar <file> <MiB>\n"
                 "       vaultkeep_zipbench compactar <archive> <base folder> <mask> <password>\n"
                 "       vaultkeep_zipbench extrair <archive> <destination> <mask> <password>\n");
    return 2;
}
