#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "backup/parallel_deflater.hpp"
#include "zip_test_util.hpp"

namespace vaultkeep {
namespace {

using teste::dadosCompressiveis;
using teste::deflateSerial;

std::string comprimir(ParallelDeflater& d, const std::string& dados) {
    std::string saida;
    std::size_t pos = 0;
    d.comprimir(
        dados.size(),
        [&](std::uint8_t* destino, std::size_t n) {
            std::memcpy(destino, dados.data() + pos, n);
            pos += n;
        },
        [&](std::uint8_t* p, std::size_t n) { saida.append(reinterpret_cast<char*>(p), n); });
    EXPECT_EQ(pos, dados.size());
    return saida;
}

// Each 1 MiB piece compressed on its own, without the previous piece's window.
std::string semJanela(const std::string& dados) {
    std::string r;
    for (std::size_t pos = 0; pos < dados.size(); pos += 1 << 20) {
        const std::string pedaco = dados.substr(pos, 1 << 20);
        std::string s = deflateSerial(pedaco);
        r += s;
    }
    return r;
}

TEST(ParallelDeflater, GivesTheSerialStreamByteForByte) {
    const std::size_t mib = 1 << 20;
    const std::string grande = dadosCompressiveis(3 * mib + mib / 2, 7);
    // The data must really reach across the piece boundaries, or the test would
    // not tell a primed compressor from a fresh one.
    ASSERT_NE(semJanela(grande.substr(0, 2 * mib)).size(),
              deflateSerial(grande.substr(0, 2 * mib)).size());

    struct Caso {
        std::size_t tamanho;
        unsigned threads;
    };
    const Caso casos[] = {
        {0, 2},
        {1, 2},
        {mib - 1, 2},
        {mib, 2},
        {mib + 1, 2},
        {2 * mib, 3},
        {3 * mib + mib / 2, 1},
        {3 * mib + mib / 2, 2},
        {3 * mib + mib / 2, 4},
    };
    for (const auto& c : casos) {
        ParallelDeflater d(c.threads);
        const std::string dados = grande.substr(0, c.tamanho);
        const std::string paralelo = comprimir(d, dados);
        EXPECT_EQ(paralelo, deflateSerial(dados))
            << c.tamanho << " bytes on " << c.threads << " threads";
        EXPECT_EQ(teste::inflateRaw(paralelo), dados);
    }
}

TEST(ParallelDeflater, IncompressibleAndUniformDataToo) {
    std::string ruido(2 * (1 << 20) + 12345, '\0');
    std::uint32_t x = 1;
    for (char& c : ruido) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 24);
    }
    const std::string zeros(5 * (1 << 20), '\0');
    ParallelDeflater d(2);
    EXPECT_EQ(comprimir(d, ruido), deflateSerial(ruido));
    EXPECT_EQ(comprimir(d, zeros), deflateSerial(zeros));
}

TEST(ParallelDeflater, AFailingReaderOrWriterStopsCleanlyAndTheDeflaterStaysUsable) {
    const std::string dados = dadosCompressiveis(6 << 20, 3);
    ParallelDeflater d(2);
    int pedacos = 0;
    EXPECT_THROW(d.comprimir(
                     dados.size(),
                     [&](std::uint8_t* destino, std::size_t n) {
                         if (++pedacos == 4)
                             throw std::runtime_error("read failed");
                         std::memset(destino, 'x', n);
                     },
                     [](std::uint8_t*, std::size_t) {}),
                 std::runtime_error);
    int gravacoes = 0;
    EXPECT_THROW(d.comprimir(
                     dados.size(),
                     [&](std::uint8_t* destino, std::size_t n) { std::memset(destino, 'y', n); },
                     [&](std::uint8_t*, std::size_t) {
                         if (++gravacoes == 2)
                             throw std::runtime_error("write failed");
                     }),
                 std::runtime_error);
    EXPECT_EQ(comprimir(d, dados), deflateSerial(dados));
}

}  // namespace
}  // namespace vaultkeep
