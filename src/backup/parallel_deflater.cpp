#include "backup/parallel_deflater.hpp"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <utility>

namespace vaultkeep {

struct ParallelDeflater::Pedaco {
    enum class Estado { Livre, NaFila, Pronto };
    std::vector<std::uint8_t> entrada = std::vector<std::uint8_t>(kTamanhoPedaco);
    std::vector<std::uint8_t> dicionario = std::vector<std::uint8_t>(kTamanhoJanela);
    std::vector<std::uint8_t> saida;
    std::size_t tamanho = 0;
    std::size_t tamanhoDicionario = 0;
    std::size_t usado = 0;  // bytes of `saida` holding output
    bool ultimo = false;
    Estado estado = Estado::Livre;
    std::exception_ptr erro;
};

namespace {

struct Compressor {
    z_stream z{};
    Compressor() {
        if (deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            throw std::bad_alloc();
    }
    ~Compressor() { deflateEnd(&z); }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;
};

}  // namespace

ParallelDeflater::ParallelDeflater(unsigned threads) {
    if (threads == 0)
        threads = std::max(1u, std::thread::hardware_concurrency());
    pedacos_.resize(threads + 2);
    threads_.reserve(threads);
    try {
        for (unsigned i = 0; i < threads; ++i)
            threads_.emplace_back([this] { trabalhar(); });
    } catch (...) {
        encerrarThreads();
        throw;
    }
}

ParallelDeflater::~ParallelDeflater() {
    encerrarThreads();
}

void ParallelDeflater::encerrarThreads() noexcept {
    {
        std::lock_guard l(m_);
        encerrar_ = true;
    }
    temTrabalho_.notify_all();
    for (auto& t : threads_)
        if (t.joinable())
            t.join();
}

void ParallelDeflater::trabalhar() {
    std::unique_ptr<Compressor> c;
    std::exception_ptr erroInicio;
    try {
        c = std::make_unique<Compressor>();
    } catch (...) {
        erroInicio = std::current_exception();
    }
    for (;;) {
        std::size_t indice;
        {
            std::unique_lock l(m_);
            temTrabalho_.wait(l, [&] { return encerrar_ || !fila_.empty(); });
            if (fila_.empty())
                return;
            indice = fila_.front();
            fila_.pop_front();
        }
        Pedaco& p = pedacos_[indice];
        std::exception_ptr erro = erroInicio;
        if (!erro) {
            try {
                comprimirPedaco(&c->z, p);
            } catch (...) {
                erro = std::current_exception();
            }
        }
        {
            std::lock_guard l(m_);
            p.erro = erro;
            p.estado = Pedaco::Estado::Pronto;
        }
        terminou_.notify_all();
    }
}

void ParallelDeflater::comprimirPedaco(void* stream, Pedaco& p) {
    auto& z = *static_cast<z_stream*>(stream);
    if (deflateReset(&z) != Z_OK)
        throw std::runtime_error("deflateReset");
    if (p.tamanhoDicionario > 0 &&
        deflateSetDictionary(&z, p.dicionario.data(), static_cast<uInt>(p.tamanhoDicionario)) !=
            Z_OK)
        throw std::runtime_error("deflateSetDictionary");
    const std::size_t limite = deflateBound(&z, static_cast<uLong>(p.tamanho)) + 64;
    if (p.saida.size() < limite)
        p.saida.resize(limite);
    z.next_in = p.entrada.data();
    z.avail_in = static_cast<uInt>(p.tamanho);
    const int flush = p.ultimo ? Z_FINISH : Z_SYNC_FLUSH;
    p.usado = 0;
    for (;;) {
        z.next_out = p.saida.data() + p.usado;
        z.avail_out = static_cast<uInt>(p.saida.size() - p.usado);
        const int r = deflate(&z, flush);
        if (r != Z_OK && r != Z_STREAM_END)
            throw std::runtime_error("deflate");
        p.usado = p.saida.size() - z.avail_out;
        if (r == Z_STREAM_END || (z.avail_out > 0 && !p.ultimo))
            break;
        if (z.avail_out == 0)
            p.saida.resize(p.saida.size() * 2);
    }
}

void ParallelDeflater::comprimir(std::uint64_t tamanho, const Leitor& ler, const Gravador& gravar) {
    const std::size_t k = pedacos_.size();
    const std::uint64_t total =
        tamanho == 0 ? 1 : (tamanho + kTamanhoPedaco - 1) / kTamanhoPedaco;  // pieces
    std::uint64_t lidos = 0, gravados = 0;

    // Whatever leaves this function, no thread may still hold one of our pieces.
    auto esperarTodos = [&] {
        std::unique_lock l(m_);
        for (std::size_t i : fila_)
            pedacos_[i].estado = Pedaco::Estado::Livre;
        fila_.clear();
        terminou_.wait(l, [&] {
            return std::none_of(pedacos_.begin(), pedacos_.end(),
                                [](const Pedaco& p) { return p.estado == Pedaco::Estado::NaFila; });
        });
        for (auto& p : pedacos_) {
            p.estado = Pedaco::Estado::Livre;
            p.erro = nullptr;
        }
    };

    try {
        while (gravados < total) {
            while (lidos < total && lidos - gravados < k) {
                Pedaco& p = pedacos_[lidos % k];
                p.tamanho = static_cast<std::size_t>(
                    std::min<std::uint64_t>(kTamanhoPedaco, tamanho - lidos * kTamanhoPedaco));
                ler(p.entrada.data(), p.tamanho);
                p.ultimo = lidos + 1 == total;
                p.tamanhoDicionario = 0;
                if (lidos > 0) {
                    // Every piece but the last is full, so the previous one holds a
                    // whole window.
                    const Pedaco& anterior = pedacos_[(lidos - 1) % k];
                    std::memcpy(p.dicionario.data(),
                                anterior.entrada.data() + anterior.tamanho - kTamanhoJanela,
                                kTamanhoJanela);
                    p.tamanhoDicionario = kTamanhoJanela;
                }
                {
                    std::lock_guard l(m_);
                    p.estado = Pedaco::Estado::NaFila;
                    fila_.push_back(lidos % k);
                }
                temTrabalho_.notify_one();
                ++lidos;
            }
            Pedaco& p = pedacos_[gravados % k];
            {
                std::unique_lock l(m_);
                terminou_.wait(l, [&] { return p.estado == Pedaco::Estado::Pronto; });
                p.estado = Pedaco::Estado::Livre;
            }
            if (p.erro)
                std::rethrow_exception(std::exchange(p.erro, nullptr));
            gravar(p.saida.data(), p.usado);
            ++gravados;
        }
    } catch (...) {
        esperarTodos();
        throw;
    }
}

}  // namespace vaultkeep
