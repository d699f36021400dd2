#include "backup/entry_writer.hpp"

#include <openssl/rand.h>

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <system_error>

#include "backup/crc32.hpp"
#include "backup/dos_time.hpp"
#include "backup/entry_name.hpp"
#include "backup/zip_crypto.hpp"
#include "backup/zip_error.hpp"
#include "common/codepage.hpp"

namespace vaultkeep {
namespace {

// Writeback is started every so many bytes, so the flush at the end is short.
constexpr std::uint64_t kIntervaloGravacao = 8u << 20;

std::size_t contarCaracteres(std::string_view s) {
    std::size_t n = 0;
    for (std::size_t pos = 0; pos < s.size(); ++n)
        proximoCodigo(s, pos);
    return n;
}

}  // namespace

GravadorEntrada::GravadorEntrada(ArquivoNativo& arquivo, std::string senhaAnsi)
    : arquivo_(arquivo), senha_(std::move(senhaAnsi)), buffer_(ParallelDeflater::kTamanhoPedaco) {}

void GravadorEntrada::escrever(std::uint64_t offset, const void* dados, std::size_t n) {
    try {
        arquivo_.gravarEm(offset, dados, n);
    } catch (const std::system_error&) {
        throw erroZip(kFalhaDiscoCheio);
    }
    const std::uint64_t fim = offset + n;
    if (fim >= semSincronizar_ + kIntervaloGravacao) {
        arquivo_.iniciarGravacaoEmDisco(semSincronizar_, fim - semSincronizar_);
        semSincronizar_ = fim;
    } else if (fim < semSincronizar_) {
        semSincronizar_ = fim;
    }
}

EntradaZip GravadorEntrada::gravar(const std::filesystem::path& origem, std::uint64_t offset,
                                   std::uint64_t& fim) {
    const std::string caminho = origem.string();
    if (contarCaracteres(caminho) > 259 && caminho.find("\\\\?\\") == std::string::npos)
        throw erroZip(kFalhaNomeLongo, caminho);
    const auto nome = armazenarNome(origem.filename().string());
    if (!nome)
        throw erroZip(kFalhaNomeLongo, caminho);

    ArquivoNativo fonte;
    InfoArquivo info;
    try {
        fonte = ArquivoNativo::abrirLeitura(origem);
        info = fonte.info();
    } catch (const std::system_error&) {
        throw erroZip(kFalhaAbrirOrigem, caminho);
    }
    // The classic fields hold at most 0xFFFFFFFE: 0xFFFFFFFF means "see Zip64".
    if (info.tamanho >= kLimite32 || offset >= kLimite32)
        throw erroZip(kFalhaZip64, caminho);

    EntradaZip e;
    e.nomeBruto = nome->bytes;
    e.versaoFeita = 20;
    e.versaoNecessaria = 20;
    e.flags = static_cast<std::uint16_t>((senha_.empty() ? 0 : kFlagCifrado) |
                                         (nome->utf8 ? kFlagUtf8 : 0));
    e.metodo = kMetodoDeflate;
    const HoraDos h = paraHoraDos(info.modificacao);
    e.hora = h.hora;
    e.data = h.data;
    e.original = info.tamanho;
    e.atributos = info.atributos;
    e.offsetLocal = offset;

    const std::string provisorio = montarCabecalhoLocal(e);
    escrever(offset, provisorio.data(), provisorio.size());
    const std::uint64_t inicioDados = offset + provisorio.size();
    std::uint64_t pos = inicioDados;

    auto lerPedaco = [&](std::uint64_t de, std::uint8_t* destino, std::size_t n) {
        std::size_t lidos;
        try {
            lidos = fonte.lerEm(de, destino, n);
        } catch (const std::system_error&) {
            throw erroZip(kFalhaAbrirOrigem, caminho);
        }
        if (lidos != n)  // the file shrank since it was measured
            throw erroZip(kFalhaDados);
    };

    // Under a password the encryption header needs the CRC before the data, so
    // the file is read once for it.
    Crc32 crcPrevio;
    std::optional<ZipCrypto> cifra;
    if (!senha_.empty()) {
        for (std::uint64_t de = 0; de < info.tamanho; de += buffer_.size()) {
            const auto n = static_cast<std::size_t>(
                std::min<std::uint64_t>(buffer_.size(), info.tamanho - de));
            lerPedaco(de, buffer_.data(), n);
            crcPrevio.atualizar(buffer_.data(), n);
        }
        std::uint8_t cabecalho[kTamanhoCabecalhoCifra];
        if (RAND_bytes(cabecalho, 10) != 1)
            throw std::runtime_error("RAND_bytes failed");
        cabecalho[10] = static_cast<std::uint8_t>(crcPrevio.valor() >> 16);
        cabecalho[11] = static_cast<std::uint8_t>(crcPrevio.valor() >> 24);
        cifra.emplace(senha_);
        cifra->cifrar(cabecalho, sizeof cabecalho);
        escrever(pos, cabecalho, sizeof cabecalho);
        pos += sizeof cabecalho;
    }

    Crc32 crc;
    std::uint64_t lido = 0;
    deflater_.comprimir(
        info.tamanho,
        [&](std::uint8_t* destino, std::size_t n) {
            lerPedaco(lido, destino, n);
            crc.atualizar(destino, n);
            lido += n;
        },
        [&](std::uint8_t* dados, std::size_t n) {
            if (pos + n >= kLimite32)
                throw erroZip(kFalhaZip64, caminho);
            if (cifra)
                cifra->cifrar(dados, n);
            escrever(pos, dados, n);
            pos += n;
        });
    if (cifra && crc.valor() != crcPrevio.valor())  // changed between the two readings
        throw erroZip(kFalhaDados);

    e.crc = crc.valor();
    e.compactado = pos - inicioDados;
    const std::string definitivo = montarCabecalhoLocal(e);
    escrever(offset, definitivo.data(), definitivo.size());
    fim = pos;
    return e;
}

}  // namespace vaultkeep
