#include "backup/central_directory.hpp"

#include <algorithm>
#include <system_error>
#include <vector>

#include "backup/entry_name.hpp"
#include "backup/zip_error.hpp"

namespace vaultkeep {
namespace {

constexpr std::uint64_t kBuscaFim = 65600;

bool lerExato(const ArquivoNativo& a, std::uint64_t offset, void* destino, std::size_t n) {
    try {
        return a.lerEm(offset, destino, n) == n;
    } catch (const std::system_error&) {
        return false;
    }
}

std::uint32_t assinaturaEm(const ArquivoNativo& a, std::uint64_t offset) {
    unsigned char b[4];
    return lerExato(a, offset, b, 4) ? le32(b) : 0;
}

}  // namespace

std::string nomeDaEntrada(std::string_view nomeBruto, std::uint16_t flags, std::string_view extra,
                          bool codigoOem) {
    if (!(flags & kFlagUtf8))
        if (auto unicode = nomeUnicodeDoExtra(extra, nomeBruto))
            return *unicode;
    return lerNomeArmazenado(nomeBruto, flags & kFlagUtf8, codigoOem);
}

std::unique_ptr<DiretorioCentral> DiretorioCentral::abrir(const ArquivoNativo& arquivo,
                                                          std::uint64_t tamanho) {
    if (tamanho < kTamanhoFim)
        return nullptr;
    const std::uint64_t inicioBusca = tamanho > kBuscaFim ? tamanho - kBuscaFim : 0;
    std::vector<unsigned char> cauda(static_cast<std::size_t>(tamanho - inicioBusca));
    if (!lerExato(arquivo, inicioBusca, cauda.data(), cauda.size()))
        return nullptr;

    for (std::size_t i = cauda.size() - kTamanhoFim + 1; i-- > 0;) {
        const unsigned char* p = cauda.data() + i;
        if (le32(p) != kAssinaturaFim)
            continue;
        const std::uint64_t posFim = inicioBusca + i;
        std::uint32_t disco = le16(p + 4), discoDiretorio = le16(p + 6);
        std::uint64_t noDisco = le16(p + 8), total = le16(p + 10);
        std::uint64_t tamanhoDir = le32(p + 12), offsetDir = le32(p + 16);
        std::uint64_t fimEsperado = posFim;  // the directory ends where the end records start

        // A 64-bit end record is announced by its locator right before this record.
        unsigned char loc[kTamanhoLocalizador64];
        if (posFim >= kTamanhoLocalizador64 &&
            lerExato(arquivo, posFim - kTamanhoLocalizador64, loc, sizeof loc) &&
            le32(loc) == kAssinaturaLocalizador64) {
            const std::uint64_t posLocalizador = posFim - kTamanhoLocalizador64;
            std::uint64_t pos64 = le64(loc + 8);
            unsigned char r[kTamanhoFim64];
            bool achou = pos64 + kTamanhoFim64 <= posLocalizador &&
                         lerExato(arquivo, pos64, r, sizeof r) && le32(r) == kAssinaturaFim64;
            if (!achou && posLocalizador >= kTamanhoFim64) {
                // Data in front of the archive moves the record; it still sits
                // right before its locator.
                pos64 = posLocalizador - kTamanhoFim64;
                achou = lerExato(arquivo, pos64, r, sizeof r) && le32(r) == kAssinaturaFim64;
            }
            if (!achou)
                throw erroZip(kFimZip64Ausente);
            disco = le32(r + 16);
            discoDiretorio = le32(r + 20);
            noDisco = le64(r + 24);
            total = le64(r + 32);
            tamanhoDir = le64(r + 40);
            offsetDir = le64(r + 48);
            fimEsperado = pos64;
        }

        if (disco != discoDiretorio || noDisco != total || tamanhoDir > fimEsperado)
            continue;
        std::unique_ptr<DiretorioCentral> d(new DiretorioCentral(arquivo));
        d->total_ = total;
        d->contarAteOFim_ = total == 0xFFFF;
        if (total == 0)
            return d;  // an archive without entries: nothing to read, nothing to check
        // Where the directory really starts: at its stored offset, or moved by
        // whatever precedes the archive.
        const std::uint64_t inicioReal = fimEsperado - tamanhoDir;
        for (const std::uint64_t inicio : {offsetDir, inicioReal}) {
            if (inicio > inicioReal || assinaturaEm(arquivo, inicio) != kAssinaturaCentral)
                continue;
            d->inicio_ = inicio;
            d->fim_ = inicio + tamanhoDir;
            d->deslocamento_ = inicio - std::min(offsetDir, inicio);
            d->limiteLocal_ = inicio;
            if (d->verificar())
                return d;
        }
        return nullptr;
    }
    return nullptr;
}

bool DiretorioCentral::verificar() {
    pos_ = inicio_;
    lidas_ = 0;
    EntradaZip e;
    while (lidas_ < total_ || contarAteOFim_) {
        if (pos_ + kTamanhoCentral > fim_)
            break;
        if (!lerEntrada(e))
            return false;
    }
    const bool ok = contarAteOFim_ ? lidas_ >= total_ : lidas_ == total_;
    pos_ = inicio_;
    lidas_ = 0;
    return ok;
}

bool DiretorioCentral::lerEntrada(EntradaZip& e) {
    unsigned char h[kTamanhoCentral];
    if (pos_ + kTamanhoCentral > fim_ || !lerExato(arquivo_, pos_, h, sizeof h) ||
        le32(h) != kAssinaturaCentral)
        return false;
    const std::size_t tamNome = le16(h + 28), tamExtra = le16(h + 30), tamComentario = le16(h + 32);
    const std::uint64_t tamRegistro = kTamanhoCentral + tamNome + tamExtra + tamComentario;
    if (pos_ + tamRegistro > fim_)
        return false;
    std::string variavel(tamNome + tamExtra, '\0');
    if (!lerExato(arquivo_, pos_ + kTamanhoCentral, variavel.data(), variavel.size()))
        return false;

    e = EntradaZip{};
    e.versaoFeita = le16(h + 4);
    e.versaoNecessaria = le16(h + 6);
    e.flags = le16(h + 8);
    e.metodo = le16(h + 10);
    e.hora = le16(h + 12);
    e.data = le16(h + 14);
    e.crc = le32(h + 16);
    e.compactado = le32(h + 20);
    e.original = le32(h + 24);
    std::uint32_t disco = le16(h + 34);
    e.atributos = le32(h + 38);
    e.offsetLocal = le32(h + 42);
    const std::string_view extra = std::string_view(variavel).substr(tamNome);
    if (!aplicarExtraZip64(extra, &e.original, &e.compactado, &e.offsetLocal, &disco))
        return false;
    if (e.offsetLocal > limiteLocal_ ||
        e.offsetLocal + deslocamento_ + kTamanhoLocal > limiteLocal_)
        return false;
    e.offsetLocal += deslocamento_;
    e.nomeBruto = variavel.substr(0, tamNome);
    e.nome = nomeDaEntrada(e.nomeBruto, e.flags, extra, hostComCodigoOem(e.versaoFeita));
    pos_ += tamRegistro;
    ++lidas_;
    return true;
}

bool DiretorioCentral::proxima(EntradaZip& e) {
    if (total_ == 0 || (!contarAteOFim_ && lidas_ >= total_))
        return false;
    return lerEntrada(e);
}

}  // namespace vaultkeep
