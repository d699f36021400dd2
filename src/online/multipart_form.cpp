#include "online/multipart_form.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "common/codepage.hpp"
#include "online/quoted_printable.hpp"

namespace vaultkeep {

std::string fronteiraFormulario(Relogio::time_point instante) {
    const std::tm t = horaLocal(instante);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(instante.time_since_epoch()) % 1000;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d%02d%02d%02d%02d%02d%03d", t.tm_mon + 1, t.tm_mday,
                  t.tm_year % 100, t.tm_hour, t.tm_min, t.tm_sec, static_cast<int>(ms.count()));
    return std::string("--------") + buf;
}

FormularioMultipart::FormularioMultipart() : FormularioMultipart(fronteiraFormulario()) {}

FormularioMultipart::FormularioMultipart(std::string fronteira)
    : fronteira_(std::move(fronteira)), fechamento_("--" + fronteira_ + "--\r\n") {}

FormularioMultipart::FormularioMultipart(FormularioMultipart&& o) noexcept
    : fronteira_(std::move(o.fronteira_)),
      trechos_(std::move(o.trechos_)),
      fechamento_(std::move(o.fechamento_)),
      indice_(o.indice_),
      deslocamento_(o.deslocamento_) {
    o.trechos_.clear();
}

FormularioMultipart& FormularioMultipart::operator=(FormularioMultipart&& o) noexcept {
    if (this != &o) {
        fecharArquivos();
        fronteira_ = std::move(o.fronteira_);
        trechos_ = std::move(o.trechos_);
        fechamento_ = std::move(o.fechamento_);
        indice_ = o.indice_;
        deslocamento_ = o.deslocamento_;
        o.trechos_.clear();
    }
    return *this;
}

FormularioMultipart::~FormularioMultipart() {
    fecharArquivos();
}

void FormularioMultipart::fecharArquivos() noexcept {
    for (auto& t : trechos_)
        if (t.descritor >= 0) {
            ::close(t.descritor);
            t.descritor = -1;
        }
}

void FormularioMultipart::adicionarTrecho(std::string texto) {
    // Consecutive fixed pieces are merged, so a text field is one piece.
    if (!trechos_.empty() && trechos_.back().descritor < 0)
        trechos_.back().texto += texto;
    else {
        Trecho t;
        t.texto = std::move(texto);
        trechos_.push_back(std::move(t));
    }
}

void FormularioMultipart::adicionarTexto(std::string_view nome, std::string_view valor) {
    std::string parte = "--" + fronteira_ + "\r\n";
    parte += "Content-Disposition: form-data; name=\"" + std::string(nome) + "\"\r\n";
    parte += "Content-Type: text/plain\r\n";
    parte += "Content-Transfer-Encoding: quoted-printable\r\n";
    parte += "\r\n";
    parte += codificarQuotedPrintable(utf8ParaLatin1(valor));
    parte += "\r\n";
    adicionarTrecho(std::move(parte));
}

void FormularioMultipart::adicionarArquivo(std::string_view nome,
                                           const std::filesystem::path& arquivo) {
    const int fd = ::open(arquivo.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int erro = errno;
        throw std::runtime_error("Não foi possível abrir o arquivo " + arquivo.string() + ": " +
                                 std::strerror(erro));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        throw std::runtime_error("Não foi possível abrir o arquivo " + arquivo.string() +
                                 ": não é um arquivo comum");
    }
    std::string cabecalho = "--" + fronteira_ + "\r\n";
    cabecalho += "Content-Disposition: form-data; name=\"" + std::string(nome) + "\"; filename=\"" +
                 arquivo.filename().string() + "\"\r\n";
    cabecalho += std::string("Content-Type: ") + kTipoArquivoZip + "\r\n";
    cabecalho += "Content-Transfer-Encoding: binary\r\n";
    cabecalho += "\r\n";
    try {
        adicionarTrecho(std::move(cabecalho));
        Trecho t;
        t.descritor = fd;
        t.tamanhoArquivo = static_cast<std::uint64_t>(st.st_size);
        t.caminho = arquivo.string();
        trechos_.push_back(std::move(t));
    } catch (...) {
        ::close(fd);
        throw;
    }
    adicionarTrecho("\r\n");
}

std::string FormularioMultipart::tipoConteudo() const {
    return "multipart/form-data; boundary=" + fronteira_;
}

std::uint64_t FormularioMultipart::tamanho() const {
    std::uint64_t total = fechamento_.size();
    for (const auto& t : trechos_)
        total += t.tamanho();
    return total;
}

void FormularioMultipart::rebobinar() {
    indice_ = 0;
    deslocamento_ = 0;
}

std::size_t FormularioMultipart::ler(char* destino, std::size_t maximo) {
    std::size_t copiados = 0;
    while (copiados < maximo && indice_ <= trechos_.size()) {
        const bool fechamento = indice_ == trechos_.size();
        const Trecho* t = fechamento ? nullptr : &trechos_[indice_];
        const std::uint64_t total = fechamento ? fechamento_.size() : t->tamanho();
        if (deslocamento_ >= total) {
            ++indice_;
            deslocamento_ = 0;
            continue;
        }
        const std::size_t quanto = static_cast<std::size_t>(
            std::min<std::uint64_t>(total - deslocamento_, maximo - copiados));
        if (fechamento || t->descritor < 0) {
            const std::string& texto = fechamento ? fechamento_ : t->texto;
            std::memcpy(destino + copiados, texto.data() + deslocamento_, quanto);
            copiados += quanto;
            deslocamento_ += quanto;
            continue;
        }
        const ssize_t n =
            ::pread(t->descritor, destino + copiados, quanto, static_cast<off_t>(deslocamento_));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int erro = errno;
            throw std::runtime_error("Erro ao ler o arquivo " + t->caminho + ": " +
                                     std::strerror(erro));
        }
        if (n == 0)
            throw std::runtime_error("O arquivo " + t->caminho + " ficou menor durante o envio");
        copiados += static_cast<std::size_t>(n);
        deslocamento_ += static_cast<std::uint64_t>(n);
    }
    return copiados;
}

}  // namespace vaultkeep
