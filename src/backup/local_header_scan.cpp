#include "backup/local_header_scan.hpp"

#include <algorithm>
#include <cstring>
#include <system_error>

namespace vaultkeep {
namespace {

constexpr std::size_t kTamanhoBloco = 1u << 20;
// Descriptors remembered at most; only a hostile file holds more.
constexpr std::size_t kMaximoDescritores = 1u << 18;

std::size_t lerAte(const ArquivoNativo& a, std::uint64_t offset, void* destino, std::size_t n) {
    try {
        return a.lerEm(offset, destino, n);
    } catch (const std::system_error&) {
        return 0;
    }
}

// Offsets (relative to `dados`) of `assinatura` found in [0, n - 3).
template <typename F>
void paraCadaAssinatura(const unsigned char* dados, std::size_t n, std::uint32_t assinatura,
                        F&& f) {
    if (n < 4)
        return;
    for (std::size_t i = 0; i + 4 <= n;) {
        const void* p = std::memchr(dados + i, 'P', n - 3 - i);
        if (!p)
            return;
        i = static_cast<std::size_t>(static_cast<const unsigned char*>(p) - dados);
        if (le32(dados + i) == assinatura && !f(i))
            return;
        ++i;
    }
}

}  // namespace

VarreduraLocal::VarreduraLocal(const ArquivoNativo& arquivo, std::uint64_t tamanhoArquivo)
    : arquivo_(arquivo), tamanho_(tamanhoArquivo), bloco_(kTamanhoBloco) {}

bool VarreduraLocal::proximaAssinatura(std::uint64_t& achada) {
    while (pos_ + 4 <= tamanho_) {
        if (pos_ < inicioBloco_ || pos_ + 4 > inicioBloco_ + tamanhoBloco_) {
            inicioBloco_ = pos_;
            tamanhoBloco_ = lerAte(arquivo_, pos_, bloco_.data(), bloco_.size());
            if (tamanhoBloco_ < 4)
                return false;
        }
        const std::size_t de = static_cast<std::size_t>(pos_ - inicioBloco_);
        bool achou = false;
        paraCadaAssinatura(bloco_.data() + de, tamanhoBloco_ - de, kAssinaturaLocal,
                           [&](std::size_t i) {
                               achada = pos_ + i;
                               achou = true;
                               return false;
                           });
        if (achou)
            return true;
        // Nothing in this block; the next one starts 3 bytes back so that a
        // signature across the boundary is seen.
        if (inicioBloco_ + tamanhoBloco_ >= tamanho_)
            return false;
        pos_ = inicioBloco_ + tamanhoBloco_ - 3;
    }
    return false;
}

void VarreduraLocal::coletarDescritores() {
    descritoresColetados_ = true;
    std::vector<unsigned char> b(kTamanhoBloco + 24);
    for (std::uint64_t inicio = 0; inicio < tamanho_;) {
        const std::size_t n = lerAte(arquivo_, inicio, b.data(), b.size());
        if (n < 16)
            return;
        paraCadaAssinatura(b.data(), n, kAssinaturaDescritor, [&](std::size_t i) {
            if (i >= kTamanhoBloco && n == b.size())
                return false;  // the next block sees it with all its bytes
            const std::uint64_t d = inicio + i;
            if (i + 16 <= n) {
                const std::uint64_t c = le32(b.data() + i + 8);
                if (c <= d && descritores32_.size() < kMaximoDescritores)
                    descritores32_.emplace(d - c, d);  // the first one wins
            }
            if (i + 24 <= n) {
                const std::uint64_t c = le64(b.data() + i + 8);
                if (c <= d && descritores64_.size() < kMaximoDescritores)
                    descritores64_.emplace(d - c, d);
            }
            return true;
        });
        if (n < b.size())
            return;
        inicio += kTamanhoBloco;
    }
}

bool VarreduraLocal::lerEntrada(std::uint64_t pos, EntradaZip& e, std::uint64_t& depois) {
    unsigned char h[kTamanhoLocal];
    if (pos + kTamanhoLocal > tamanho_ || lerAte(arquivo_, pos, h, sizeof h) != sizeof h)
        return false;
    const CabecalhoLocal c = lerCabecalhoLocal(h);
    if ((c.versaoNecessaria & 0xFF) > 100 || c.tamanhoNome == 0)
        return false;
    const std::uint64_t inicioDados = pos + kTamanhoLocal + c.tamanhoNome + c.tamanhoExtra;
    if (inicioDados > tamanho_)
        return false;
    std::string variavel(c.tamanhoNome + c.tamanhoExtra, '\0');
    if (lerAte(arquivo_, pos + kTamanhoLocal, variavel.data(), variavel.size()) != variavel.size())
        return false;
    const std::string_view extra = std::string_view(variavel).substr(c.tamanhoNome);

    e = EntradaZip{};
    e.versaoNecessaria = c.versaoNecessaria;
    e.flags = c.flags;
    e.metodo = c.metodo;
    e.hora = c.hora;
    e.data = c.data;
    e.crc = c.crc;
    e.compactado = c.compactado;
    e.original = c.original;
    e.offsetLocal = pos;
    if (!aplicarExtraZip64(extra, &e.original, &e.compactado, nullptr, nullptr))
        return false;

    if (c.flags & kFlagDescritor) {
        if (!descritoresColetados_)
            coletarDescritores();
        // The descriptor has 8-byte sizes exactly when the header has a Zip64 field.
        std::uint64_t zip64Original = kLimite32;
        const bool zip64 = aplicarExtraZip64(extra, &zip64Original, nullptr, nullptr, nullptr) &&
                           zip64Original != kLimite32;
        const auto& mapa = zip64 ? descritores64_ : descritores32_;
        const auto it = mapa.find(inicioDados);
        if (it != mapa.end()) {
            unsigned char d[24];
            const std::size_t tam = zip64 ? 24 : 16;
            if (lerAte(arquivo_, it->second, d, tam) != tam)
                return false;
            e.crc = le32(d + 4);
            e.compactado = zip64 ? le64(d + 8) : le32(d + 8);
            e.original = zip64 ? le64(d + 16) : le32(d + 12);
            depois = it->second + tam;
        } else if (e.compactado == 0) {
            return false;
        } else {
            depois = inicioDados + e.compactado;
        }
    } else {
        depois = inicioDados + e.compactado;
    }
    if (e.compactado > tamanho_ - inicioDados)
        return false;
    e.nomeBruto = variavel.substr(0, c.tamanhoNome);
    e.nome = nomeDaEntrada(e.nomeBruto, e.flags, extra, true);
    return true;
}

bool VarreduraLocal::proxima(EntradaZip& e) {
    std::uint64_t achada;
    while (proximaAssinatura(achada)) {
        std::uint64_t depois = 0;
        if (lerEntrada(achada, e, depois)) {
            pos_ = std::max(depois, achada + 1);
            return true;
        }
        pos_ = achada + 1;
    }
    pos_ = tamanho_;
    return false;
}

}  // namespace vaultkeep
