#include "backup/zip_records.hpp"

#include <zlib.h>

#include "common/codepage.hpp"

namespace vaultkeep {
namespace {

std::uint32_t para32(std::uint64_t v) {
    return static_cast<std::uint32_t>(v);
}

// Calls `f(id, dados)` for each well-formed sub-field of an extra field; stops at
// the first one that does not fit.
template <typename F>
void paraCadaExtra(std::string_view extra, F&& f) {
    std::size_t pos = 0;
    while (pos + 4 <= extra.size()) {
        const auto* p = reinterpret_cast<const unsigned char*>(extra.data() + pos);
        const std::uint16_t id = le16(p);
        const std::uint16_t tam = le16(p + 2);
        if (pos + 4 + tam > extra.size())
            return;
        if (f(id, extra.substr(pos + 4, tam)))
            return;
        pos += 4 + tam;
    }
}

}  // namespace

void anexar16(std::string& d, std::uint16_t v) {
    d.push_back(static_cast<char>(v & 0xFF));
    d.push_back(static_cast<char>(v >> 8));
}

void anexar32(std::string& d, std::uint32_t v) {
    anexar16(d, static_cast<std::uint16_t>(v & 0xFFFF));
    anexar16(d, static_cast<std::uint16_t>(v >> 16));
}

std::string montarCabecalhoLocal(const EntradaZip& e) {
    std::string d;
    d.reserve(kTamanhoLocal + e.nomeBruto.size());
    anexar32(d, kAssinaturaLocal);
    anexar16(d, e.versaoNecessaria);
    anexar16(d, e.flags);
    anexar16(d, e.metodo);
    anexar16(d, e.hora);
    anexar16(d, e.data);
    anexar32(d, e.crc);
    anexar32(d, para32(e.compactado));
    anexar32(d, para32(e.original));
    anexar16(d, static_cast<std::uint16_t>(e.nomeBruto.size()));
    anexar16(d, 0);
    d += e.nomeBruto;
    return d;
}

std::string montarCabecalhoCentral(const EntradaZip& e) {
    std::string d;
    d.reserve(kTamanhoCentral + e.nomeBruto.size());
    anexar32(d, kAssinaturaCentral);
    anexar16(d, e.versaoFeita);
    anexar16(d, e.versaoNecessaria);
    anexar16(d, e.flags);
    anexar16(d, e.metodo);
    anexar16(d, e.hora);
    anexar16(d, e.data);
    anexar32(d, e.crc);
    anexar32(d, para32(e.compactado));
    anexar32(d, para32(e.original));
    anexar16(d, static_cast<std::uint16_t>(e.nomeBruto.size()));
    anexar16(d, 0);  // extra field
    anexar16(d, 0);  // comment
    anexar16(d, 0);  // disk number start
    anexar16(d, 0);  // internal attributes
    anexar32(d, e.atributos);
    anexar32(d, para32(e.offsetLocal));
    d += e.nomeBruto;
    return d;
}

std::string montarFim(std::uint16_t entradas, std::uint32_t tamanhoDiretorio,
                      std::uint32_t offsetDiretorio) {
    std::string d;
    d.reserve(kTamanhoFim);
    anexar32(d, kAssinaturaFim);
    anexar16(d, 0);
    anexar16(d, 0);
    anexar16(d, entradas);
    anexar16(d, entradas);
    anexar32(d, tamanhoDiretorio);
    anexar32(d, offsetDiretorio);
    anexar16(d, 0);
    return d;
}

CabecalhoLocal lerCabecalhoLocal(const unsigned char* p) {
    CabecalhoLocal c;
    c.versaoNecessaria = le16(p + 4);
    c.flags = le16(p + 6);
    c.metodo = le16(p + 8);
    c.hora = le16(p + 10);
    c.data = le16(p + 12);
    c.crc = le32(p + 14);
    c.compactado = le32(p + 18);
    c.original = le32(p + 22);
    c.tamanhoNome = le16(p + 26);
    c.tamanhoExtra = le16(p + 28);
    return c;
}

bool aplicarExtraZip64(std::string_view extra, std::uint64_t* original, std::uint64_t* compactado,
                       std::uint64_t* offset, std::uint32_t* disco) {
    const bool precisaOriginal = original && *original == kLimite32;
    const bool precisaCompactado = compactado && *compactado == kLimite32;
    const bool precisaOffset = offset && *offset == kLimite32;
    const bool precisaDisco = disco && *disco == 0xFFFF;
    if (!precisaOriginal && !precisaCompactado && !precisaOffset && !precisaDisco)
        return true;
    bool ok = false;
    paraCadaExtra(extra, [&](std::uint16_t id, std::string_view d) {
        if (id != 0x0001)
            return false;
        const auto* p = reinterpret_cast<const unsigned char*>(d.data());
        std::size_t pos = 0;
        auto ler64 = [&](std::uint64_t* v) {
            if (pos + 8 > d.size())
                return false;
            *v = le64(p + pos);
            pos += 8;
            return true;
        };
        ok = (!precisaOriginal || ler64(original)) && (!precisaCompactado || ler64(compactado)) &&
             (!precisaOffset || ler64(offset));
        if (ok && precisaDisco) {
            ok = pos + 4 <= d.size();
            if (ok)
                *disco = le32(p + pos);
        }
        return true;
    });
    return ok;
}

std::optional<std::string> nomeUnicodeDoExtra(std::string_view extra, std::string_view nomeBruto) {
    std::optional<std::string> nome;
    paraCadaExtra(extra, [&](std::uint16_t id, std::string_view d) {
        if (id != 0x7075 || d.size() < 5 || d[0] != 1)
            return false;
        const auto* p = reinterpret_cast<const unsigned char*>(d.data());
        const auto crcNome = static_cast<std::uint32_t>(
            crc32_z(0, reinterpret_cast<const Bytef*>(nomeBruto.data()), nomeBruto.size()));
        std::string_view utf8 = d.substr(5);
        if (le32(p + 1) == crcNome && !utf8.empty() && utf8Valido(utf8))
            nome = std::string(utf8);
        return true;
    });
    return nome;
}

}  // namespace vaultkeep
