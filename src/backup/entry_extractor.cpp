#include "backup/entry_extractor.hpp"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "backup/bounded_queue.hpp"
#include "backup/crc32.hpp"
#include "backup/zip_error.hpp"
#include "backup/zip_records.hpp"

namespace vaultkeep {
namespace {

// Stored bytes travel in pieces of this size from the reading thread to the
// inflating one; a few pieces are in flight at most.
constexpr std::size_t kTamanhoPedaco = 256u << 10;
constexpr std::size_t kPedacosEmVoo = 4;
// File bytes are checked and written in runs of this size by the thread that
// inflated them, while they are still in that core's cache: handing large
// buffers to another thread made the kernel's copy into the page cache pull
// every line across cores, costing more than the whole inflation.
constexpr std::size_t kTamanhoSaida = 128u << 10;
// Entries smaller than this are read on the calling thread alone.
constexpr std::uint64_t kMinimoPipeline = 1u << 20;

// A piece of stored bytes; the memory is not cleared, it is always written
// before it is read.
struct Pedaco {
    std::unique_ptr<std::uint8_t[]> dados;
    std::size_t tamanho = 0;

    static Pedaco novo() {
        return {std::make_unique_for_overwrite<std::uint8_t[]>(kTamanhoPedaco), 0};
    }
    bool vazio() const { return tamanho == 0; }
};

// Stored bytes in: reads and decrypts the next piece.
class Fonte {
  public:
    Fonte(const ArquivoNativo& a, DadosEntrada& d) : a_(a), d_(d) {}

    // Fills `p` with the next piece; its size is what was read, 0 at the end.
    void ler(Pedaco& p) {
        const auto n =
            static_cast<std::size_t>(std::min<std::uint64_t>(kTamanhoPedaco, d_.tamanho - lido_));
        p.tamanho = n;
        if (n == 0)
            return;
        std::size_t r = 0;
        try {
            r = a_.lerEm(d_.inicio + lido_, p.dados.get(), n);
        } catch (const std::system_error&) {
        }
        if (r != n)  // the archive ends inside the data
            throw erroZip(kFalhaDados);
        if (d_.cifra)
            d_.cifra->decifrar(p.dados.get(), n);
        lido_ += n;
    }

  private:
    const ArquivoNativo& a_;
    DadosEntrada& d_;
    std::uint64_t lido_ = 0;
};

// File bytes out: counts, checks and writes.
class Sorvedouro {
  public:
    Sorvedouro(ArquivoNativo& destino, std::uint64_t original)
        : destino_(destino), original_(original) {}

    void gravar(const std::uint8_t* dados, std::size_t n) {
        if (n > original_ - escrito_)
            throw erroZip(kFalhaDados);  // more than announced: stop before writing it
        crc_.atualizar(dados, n);
        try {
            destino_.gravarEm(escrito_, dados, n);
        } catch (const std::system_error&) {
            throw erroZip(kFalhaDiscoCheio);
        }
        escrito_ += n;
    }

    void conferir(std::uint32_t crc) const {
        if (escrito_ != original_ || crc_.valor() != crc)
            throw erroZip(kFalhaDados);
    }

  private:
    ArquivoNativo& destino_;
    std::uint64_t original_;
    std::uint64_t escrito_ = 0;
    Crc32 crc_;
};

// Stored bytes to file bytes: inflates (method 8) or copies (method 0) each
// piece into a cache-sized buffer and hands every full run to the sink.
class Transformador {
  public:
    Transformador(std::uint16_t metodo, Sorvedouro& s)
        : deflate_(metodo == kMetodoDeflate),
          s_(s),
          saida_(std::make_unique_for_overwrite<std::uint8_t[]>(kTamanhoSaida)) {
        if (deflate_ && inflateInit2(&z_, -15) != Z_OK)
            throw std::bad_alloc();
    }
    ~Transformador() {
        if (deflate_)
            inflateEnd(&z_);
    }
    Transformador(const Transformador&) = delete;
    Transformador& operator=(const Transformador&) = delete;

    void consumir(const Pedaco& p) {
        if (!deflate_) {
            s_.gravar(p.dados.get(), p.tamanho);
            return;
        }
        if (fim_)
            throw erroZip(kFalhaDados);  // bytes after the end of the stream
        z_.next_in = p.dados.get();
        z_.avail_in = static_cast<uInt>(p.tamanho);
        while (z_.avail_in > 0) {
            z_.next_out = saida_.get();
            z_.avail_out = static_cast<uInt>(kTamanhoSaida);
            const int r = inflate(&z_, Z_NO_FLUSH);
            if (r != Z_OK && r != Z_STREAM_END)
                throw erroZip(kFalhaDados);
            s_.gravar(saida_.get(), kTamanhoSaida - z_.avail_out);
            if (r == Z_STREAM_END) {
                fim_ = true;
                if (z_.avail_in > 0)
                    throw erroZip(kFalhaDados);
            }
        }
    }

    // After the last piece: the stream must have ended exactly there.
    void terminar() const {
        if (deflate_ && !fim_)
            throw erroZip(kFalhaDados);
    }

  private:
    bool deflate_;
    bool fim_ = false;
    Sorvedouro& s_;
    std::unique_ptr<std::uint8_t[]> saida_;
    z_stream z_{};
};

void extrairNaMesmaThread(Fonte& fonte, Transformador& t) {
    Pedaco p = Pedaco::novo();
    for (fonte.ler(p); !p.vazio(); fonte.ler(p))
        t.consumir(p);
    t.terminar();
}

// The pipeline: a second thread reads and decrypts the next pieces while this
// one inflates, checks and writes. Empty pieces go back through their own
// queue, so exactly kPedacosEmVoo pieces exist.
void extrairEmPipeline(Fonte& fonte, Transformador& t) {
    FilaLimitada<Pedaco> cheios(kPedacosEmVoo), livres(kPedacosEmVoo);
    for (std::size_t i = 0; i < kPedacosEmVoo; ++i)
        livres.colocar(Pedaco::novo());
    std::mutex mErro;
    std::exception_ptr erro;
    auto falhar = [&](std::exception_ptr e) {
        {
            std::lock_guard l(mErro);
            if (!erro)
                erro = e;
        }
        cheios.fechar();
        livres.fechar();
    };

    std::thread leitor;
    try {
        leitor = std::thread([&] {
            try {
                for (;;) {
                    auto p = livres.retirar();
                    if (!p)
                        return;
                    fonte.ler(*p);
                    const bool fim = p->vazio();
                    if (!cheios.colocar(std::move(*p)) || fim)
                        return;
                }
            } catch (...) {
                falhar(std::current_exception());
            }
        });
    } catch (const std::system_error&) {
        extrairNaMesmaThread(fonte, t);  // no thread to be had: one is enough
        return;
    }

    try {
        for (;;) {
            auto p = cheios.retirar();
            if (!p)
                throw std::runtime_error("pipeline closed");
            if (p->vazio())
                break;
            t.consumir(*p);
            livres.colocar(std::move(*p));
        }
        t.terminar();
    } catch (...) {
        falhar(std::current_exception());
    }
    leitor.join();
    if (erro)
        std::rethrow_exception(erro);
}

}  // namespace

void extrairDados(const ArquivoNativo& arquivo, DadosEntrada dados, ArquivoNativo& destino) {
    if (dados.metodo != kMetodoArmazenado && dados.metodo != kMetodoDeflate)
        throw erroZip(kFalhaDados);
    Fonte fonte(arquivo, dados);
    Sorvedouro s(destino, dados.original);
    Transformador t(dados.metodo, s);
    if (dados.tamanho < kMinimoPipeline)
        extrairNaMesmaThread(fonte, t);
    else
        extrairEmPipeline(fonte, t);
    s.conferir(dados.crc);
}

}  // namespace vaultkeep
