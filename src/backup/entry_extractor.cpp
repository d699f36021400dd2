#include "backup/entry_extractor.hpp"

#include <zlib.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <system_error>
#include <thread>

#include "backup/bounded_queue.hpp"
#include "backup/crc32.hpp"
#include "backup/zip_error.hpp"
#include "backup/zip_records.hpp"

namespace vaultkeep {
namespace {

constexpr std::size_t kTamanhoBuffer = 1u << 20;
// Buffers per queue in the pipeline; below this many input buffers the entry
// is handled on the calling thread alone.
constexpr std::size_t kBuffersPorFila = 3;

// A piece of at most kTamanhoBuffer bytes; the memory is not cleared, it is
// always written before it is read.
struct Buffer {
    std::unique_ptr<std::uint8_t[]> dados;
    std::size_t tamanho = 0;

    static Buffer novo() {
        return {std::make_unique_for_overwrite<std::uint8_t[]>(kTamanhoBuffer), 0};
    }
    bool vazio() const { return tamanho == 0; }
};

// Stored bytes in: reads and decrypts the next piece.
class Fonte {
  public:
    Fonte(const ArquivoNativo& a, DadosEntrada& d) : a_(a), d_(d) {}

    // Fills `b` with the next piece; its size is what was read, 0 at the end.
    void ler(Buffer& b) {
        const auto n =
            static_cast<std::size_t>(std::min<std::uint64_t>(kTamanhoBuffer, d_.tamanho - lido_));
        b.tamanho = n;
        if (n == 0)
            return;
        std::size_t r = 0;
        try {
            r = a_.lerEm(d_.inicio + lido_, b.dados.get(), n);
        } catch (const std::system_error&) {
        }
        if (r != n)  // the archive ends inside the data
            throw erroZip(kFalhaDados);
        if (d_.cifra)
            d_.cifra->decifrar(b.dados.get(), n);
        lido_ += n;
    }

  private:
    const ArquivoNativo& a_;
    DadosEntrada& d_;
    std::uint64_t lido_ = 0;
};

// File bytes out: checks, counts and writes.
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

// Stored bytes to file bytes. `entregar` receives each full output buffer (and
// the last one) and hands back an empty buffer to continue with.
class Transformador {
  public:
    using Entrega = std::function<void(Buffer&)>;

    explicit Transformador(std::uint16_t metodo) : deflate_(metodo == kMetodoDeflate) {
        if (deflate_ && inflateInit2(&z_, -15) != Z_OK)
            throw std::bad_alloc();
    }
    ~Transformador() {
        if (deflate_)
            inflateEnd(&z_);
    }
    Transformador(const Transformador&) = delete;
    Transformador& operator=(const Transformador&) = delete;

    void consumir(const Buffer& entrada, Buffer& saida, const Entrega& entregar) {
        if (!deflate_) {
            copiar(entrada, saida, entregar);
            return;
        }
        if (fim_ && !entrada.vazio())
            throw erroZip(kFalhaDados);  // bytes after the end of the stream
        z_.next_in = entrada.dados.get();
        z_.avail_in = static_cast<uInt>(entrada.tamanho);
        while (z_.avail_in > 0) {
            z_.next_out = saida.dados.get() + saida.tamanho;
            z_.avail_out = static_cast<uInt>(kTamanhoBuffer - saida.tamanho);
            const int r = inflate(&z_, Z_NO_FLUSH);
            saida.tamanho = kTamanhoBuffer - z_.avail_out;
            if (r == Z_STREAM_END) {
                fim_ = true;
                if (z_.avail_in > 0)
                    throw erroZip(kFalhaDados);
                break;
            }
            if (r != Z_OK && !(r == Z_BUF_ERROR && z_.avail_out == 0))
                throw erroZip(kFalhaDados);
            if (saida.tamanho == kTamanhoBuffer)
                entregar(saida);
        }
    }

    // After the last input: the stream must have ended exactly there.
    void terminar(Buffer& saida, const Entrega& entregar) {
        if (deflate_ && !fim_)
            throw erroZip(kFalhaDados);
        if (!saida.vazio())
            entregar(saida);
    }

  private:
    void copiar(const Buffer& entrada, Buffer& saida, const Entrega& entregar) {
        std::size_t pos = 0;
        while (pos < entrada.tamanho) {
            const std::size_t n = std::min(kTamanhoBuffer - saida.tamanho, entrada.tamanho - pos);
            std::memcpy(saida.dados.get() + saida.tamanho, entrada.dados.get() + pos, n);
            saida.tamanho += n;
            pos += n;
            if (saida.tamanho == kTamanhoBuffer)
                entregar(saida);
        }
    }

    bool deflate_;
    bool fim_ = false;
    z_stream z_{};
};

void extrairNaMesmaThread(Fonte& fonte, Transformador& t, Sorvedouro& s) {
    Buffer entrada = Buffer::novo(), saida = Buffer::novo();
    const Transformador::Entrega entregar = [&](Buffer& b) {
        s.gravar(b.dados.get(), b.tamanho);
        b.tamanho = 0;
    };
    for (;;) {
        fonte.ler(entrada);
        if (entrada.vazio())
            break;
        t.consumir(entrada, saida, entregar);
    }
    t.terminar(saida, entregar);
}

// The pipeline: reading and decrypting on one thread, inflating on the calling
// thread, checking and writing on a third. Empty buffers circulate back through
// their own queues, so exactly 2 * kBuffersPorFila buffers exist.
void extrairEmPipeline(Fonte& fonte, Transformador& t, Sorvedouro& s) {
    FilaLimitada<Buffer> cheiasEntrada(kBuffersPorFila), livresEntrada(kBuffersPorFila);
    FilaLimitada<Buffer> cheiasSaida(kBuffersPorFila), livresSaida(kBuffersPorFila);
    for (std::size_t i = 0; i < kBuffersPorFila; ++i) {
        livresEntrada.colocar(Buffer::novo());
        livresSaida.colocar(Buffer::novo());
    }
    std::mutex mErro;
    std::exception_ptr erro;
    auto falhar = [&](std::exception_ptr e) {
        {
            std::lock_guard l(mErro);
            if (!erro)
                erro = e;
        }
        for (auto* f : {&cheiasEntrada, &livresEntrada, &cheiasSaida, &livresSaida})
            f->fechar();
    };

    std::thread leitor, gravador;
    auto leitura = [&] {
        try {
            for (;;) {
                auto b = livresEntrada.retirar();
                if (!b)
                    return;
                fonte.ler(*b);
                const bool fim = b->vazio();
                if (!cheiasEntrada.colocar(std::move(*b)) || fim)
                    return;
            }
        } catch (...) {
            falhar(std::current_exception());
        }
    };
    auto gravacao = [&] {
        try {
            for (;;) {
                auto b = cheiasSaida.retirar();
                if (!b)
                    return;
                if (b->vazio())
                    return;  // the end
                s.gravar(b->dados.get(), b->tamanho);
                b->tamanho = 0;
                if (!livresSaida.colocar(std::move(*b)))
                    return;
            }
        } catch (...) {
            falhar(std::current_exception());
        }
    };
    try {
        leitor = std::thread(leitura);
        gravador = std::thread(gravacao);
    } catch (...) {  // no thread to be had: nothing may be left running
        falhar(std::current_exception());
        if (leitor.joinable())
            leitor.join();
        throw;
    }

    try {
        auto saida = livresSaida.retirar();
        const Transformador::Entrega entregar = [&](Buffer& b) {
            if (!cheiasSaida.colocar(std::move(b)))
                throw std::runtime_error("pipeline closed");
            auto proxima = livresSaida.retirar();
            if (!proxima)
                throw std::runtime_error("pipeline closed");
            b = std::move(*proxima);
            b.tamanho = 0;
        };
        if (!saida)
            throw std::runtime_error("pipeline closed");
        for (;;) {
            auto entrada = cheiasEntrada.retirar();
            if (!entrada)
                throw std::runtime_error("pipeline closed");
            if (entrada->vazio())
                break;
            t.consumir(*entrada, *saida, entregar);
            livresEntrada.colocar(std::move(*entrada));
        }
        t.terminar(*saida, entregar);
        cheiasSaida.colocar(Buffer());  // the end mark
    } catch (...) {
        falhar(std::current_exception());
    }
    leitor.join();
    gravador.join();
    if (erro)
        std::rethrow_exception(erro);
}

}  // namespace

void extrairDados(const ArquivoNativo& arquivo, DadosEntrada dados, ArquivoNativo& destino) {
    if (dados.metodo != kMetodoArmazenado && dados.metodo != kMetodoDeflate)
        throw erroZip(kFalhaDados);
    Fonte fonte(arquivo, dados);
    Transformador t(dados.metodo);
    Sorvedouro s(destino, dados.original);
    if (dados.tamanho <= kBuffersPorFila * kTamanhoBuffer)
        extrairNaMesmaThread(fonte, t, s);
    else
        extrairEmPipeline(fonte, t, s);
    s.conferir(dados.crc);
}

}  // namespace vaultkeep
