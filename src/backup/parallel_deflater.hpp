#pragma once
// Raw Deflate on every core with the output of one serial stream.
//
// The reference is a single zlib stream (level 6, 15-bit window, memory level 8,
// default strategy, no zlib header or trailer) fed 1 MiB pieces, with a sync
// flush after each piece but the last and a finish after the last. A sync flush
// ends the block and byte-aligns the output, and at that point the serial
// compressor's whole state is its last 32 KiB of input: its window holds exactly
// that input below the current position, its hash chains hold exactly those
// strings (anything older lies beyond the farthest distance and is cut off), and
// no match or lazy state carries over. A fresh compressor primed with those
// 32 KiB through deflateSetDictionary starts the next piece in the same state, so
// compressing each piece on its own primed compressor and joining the outputs in
// order gives the serial stream byte for byte. The pieces can then be compressed
// in parallel.
//
// Memory stays bounded: a fixed number of pieces (threads + 2) is in flight, each
// with its input and output buffers, plus one compressor per thread.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace vaultkeep {

class ParallelDeflater {
  public:
    static constexpr std::size_t kTamanhoPedaco = 1u << 20;
    static constexpr std::size_t kTamanhoJanela = 1u << 15;

    // `threads` compressing threads; 0 takes one per core.
    explicit ParallelDeflater(unsigned threads = 0);
    ~ParallelDeflater();
    ParallelDeflater(const ParallelDeflater&) = delete;
    ParallelDeflater& operator=(const ParallelDeflater&) = delete;

    // Fills `destino` with exactly `n` bytes of input (the next piece), or throws.
    using Leitor = std::function<void(std::uint8_t* destino, std::size_t n)>;
    // Receives the next run of compressed bytes, in order; it may change them in
    // place (the writer encrypts there).
    using Gravador = std::function<void(std::uint8_t* dados, std::size_t n)>;

    // Compresses a stream of `tamanho` bytes. `ler` and `gravar` run on the
    // calling thread, overlapped with the compression of the following pieces.
    // An exception from either, or from a compressor, stops the work, waits for
    // the threads to put down their pieces and propagates.
    void comprimir(std::uint64_t tamanho, const Leitor& ler, const Gravador& gravar);

  private:
    struct Pedaco;
    void trabalhar();
    void encerrarThreads() noexcept;
    void comprimirPedaco(void* stream, Pedaco& p);

    std::vector<std::thread> threads_;
    std::vector<Pedaco> pedacos_;
    std::mutex m_;
    std::condition_variable temTrabalho_, terminou_;
    std::deque<std::size_t> fila_;
    bool encerrar_ = false;
};

}  // namespace vaultkeep
