#include "server/backup_store.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <system_error>

#include "tools/md5.hpp"

namespace vaultkeep::servidor {

bool chaveValida(std::string_view chave) {
    if (chave.size() != 32)
        return false;
    for (char c : chave)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
            return false;
    return true;
}

std::string nomeSeguro(std::string_view nome) {
    if (const auto barra = nome.find_last_of("/\\"); barra != std::string_view::npos)
        nome.remove_prefix(barra + 1);
    bool controle = false;
    for (unsigned char c : nome)
        controle = controle || c < 0x20 || c == 0x7F;
    if (nome.empty() || nome.front() == '.' || controle)
        return "backup.zip";
    return std::string(nome);
}

ArquivoRecebido::ArquivoRecebido(const fs::path& pastaTemporaria) {
    std::string modelo = (pastaTemporaria / "upload-XXXXXX").string();
    fd_ = ::mkostemp(modelo.data(), O_CLOEXEC);
    if (fd_ < 0)
        throw std::system_error(errno, std::generic_category(), "mkostemp " + modelo);
    caminho_ = modelo;
}

ArquivoRecebido::ArquivoRecebido(ArquivoRecebido&& o) noexcept
    : caminho_(std::move(o.caminho_)),
      fd_(o.fd_),
      tamanho_(o.tamanho_),
      inicio_(std::move(o.inicio_)) {
    o.fd_ = -1;
}

ArquivoRecebido::~ArquivoRecebido() {
    if (fd_ >= 0) {
        ::close(fd_);
        std::error_code ec;
        fs::remove(caminho_, ec);
    }
}

bool ArquivoRecebido::escrever(const char* dados, std::size_t n) {
    if (inicio_.size() < 4)
        inicio_.append(dados, std::min(n, 4 - inicio_.size()));
    while (n > 0) {
        const ssize_t w = ::write(fd_, dados, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        dados += w;
        n -= static_cast<std::size_t>(w);
        tamanho_ += static_cast<std::uint64_t>(w);
    }
    return true;
}

void ArquivoRecebido::concluir(const fs::path& destino) {
    if (::fsync(fd_) != 0)
        throw std::system_error(errno, std::generic_category(), "fsync");
    fs::rename(caminho_, destino);
    ::close(fd_);
    fd_ = -1;
}

Armazem::Armazem(fs::path pasta) : pasta_(std::move(pasta)) {
    fs::create_directories(pastaRecebimento());
}

ArquivoGuardado Armazem::guardar(ArquivoRecebido& recebido, std::string_view estabelecimento,
                                 std::string_view nomeArquivo) const {
    ArquivoGuardado g;
    g.chave = md5Hex(estabelecimento);
    g.nome = nomeSeguro(nomeArquivo);
    const fs::path pastaChave = pasta_ / g.chave;
    fs::create_directories(pastaChave);
    {
        // The name, for whoever looks into the folder; the key alone decides.
        ArquivoRecebido nome(pastaRecebimento());
        if (!nome.escrever(estabelecimento.data(), estabelecimento.size()))
            throw std::runtime_error("Falha ao gravar o nome do estabelecimento");
        nome.concluir(pastaChave / "nome.txt");
    }
    g.caminho = pastaChave / g.nome;
    recebido.concluir(g.caminho);
    g.modificado = fs::last_write_time(g.caminho);
    return g;
}

std::optional<ArquivoGuardado> Armazem::maisRecente(std::string_view chave) const {
    if (!chaveValida(chave))
        return std::nullopt;
    std::optional<ArquivoGuardado> melhor;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(pasta_ / std::string(chave), ec)) {
        const std::string nome = e.path().filename().string();
        if (nome == "nome.txt" || !e.is_regular_file(ec))
            continue;
        const auto quando = e.last_write_time(ec);
        if (ec)
            continue;
        if (!melhor || quando > melhor->modificado ||
            (quando == melhor->modificado && nome > melhor->nome))
            melhor = ArquivoGuardado{std::string(chave), nome, e.path(), quando};
    }
    return melhor;
}

std::optional<fs::path> Armazem::localizar(std::string_view chave, std::string_view nome) const {
    if (!chaveValida(chave) || nomeSeguro(nome) != nome || nome == "nome.txt")
        return std::nullopt;
    const fs::path p = pasta_ / std::string(chave) / std::string(nome);
    std::error_code ec;
    if (!fs::is_regular_file(p, ec))
        return std::nullopt;
    return p;
}

}  // namespace vaultkeep::servidor
