#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <string>
#include <system_error>

#include "backup/native_file.hpp"

namespace vaultkeep {
namespace {

[[noreturn]] void falhar(const char* oque) {
    throw std::system_error(errno, std::system_category(), oque);
}

InfoArquivo deStat(const struct stat& st) {
    InfoArquivo i;
    i.tamanho = static_cast<std::uint64_t>(st.st_size);
    i.modificacao = st.st_mtime;
    i.atributos = 0x20;
    if (!(st.st_mode & S_IWUSR))
        i.atributos |= 0x01;
    i.dispositivo = st.st_dev;
    i.inode = st.st_ino;
    i.regular = S_ISREG(st.st_mode);
    return i;
}

bool valorRemovivel(const std::string& caminho) {
    std::ifstream f(caminho);
    char c = 0;
    return f.get(c) && c == '1';
}

}  // namespace

ArquivoNativo::~ArquivoNativo() {
    if (fd_ >= 0)
        ::close(fd_);
}

ArquivoNativo::ArquivoNativo(ArquivoNativo&& o) noexcept : fd_(o.fd_) {
    o.fd_ = -1;
}

ArquivoNativo& ArquivoNativo::operator=(ArquivoNativo&& o) noexcept {
    if (this != &o) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = o.fd_;
        o.fd_ = -1;
    }
    return *this;
}

ArquivoNativo ArquivoNativo::abrirLeitura(const fs::path& p) {
    // O_NONBLOCK keeps a named pipe from blocking the open; regular files ignore it.
    const int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        falhar("open");
    ArquivoNativo a(fd);
    struct stat st;
    if (::fstat(fd, &st) != 0)
        falhar("fstat");
    if (!S_ISREG(st.st_mode)) {
        errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        falhar("open");
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return a;
}

ArquivoNativo ArquivoNativo::criarOuTruncar(const fs::path& p) {
    const int fd = ::open(p.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0)
        falhar("open");
    return ArquivoNativo(fd);
}

ArquivoNativo ArquivoNativo::criarNovo(const fs::path& p) {
    const int fd =
        ::open(p.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0)
        falhar("open");
    return ArquivoNativo(fd);
}

InfoArquivo ArquivoNativo::info() const {
    struct stat st;
    if (::fstat(fd_, &st) != 0)
        falhar("fstat");
    return deStat(st);
}

std::size_t ArquivoNativo::lerEm(std::uint64_t offset, void* destino, std::size_t n) const {
    auto* d = static_cast<char*>(destino);
    std::size_t lidos = 0;
    while (lidos < n) {
        const ssize_t r = ::pread(fd_, d + lidos, n - lidos, static_cast<off_t>(offset + lidos));
        if (r < 0) {
            if (errno == EINTR)
                continue;
            falhar("pread");
        }
        if (r == 0)
            break;
        lidos += static_cast<std::size_t>(r);
    }
    return lidos;
}

void ArquivoNativo::gravarEm(std::uint64_t offset, const void* dados, std::size_t n) {
    const auto* d = static_cast<const char*>(dados);
    std::size_t gravados = 0;
    while (gravados < n) {
        const ssize_t r =
            ::pwrite(fd_, d + gravados, n - gravados, static_cast<off_t>(offset + gravados));
        if (r < 0) {
            if (errno == EINTR)
                continue;
            falhar("pwrite");
        }
        if (r == 0) {
            errno = ENOSPC;
            falhar("pwrite");
        }
        gravados += static_cast<std::size_t>(r);
    }
}

void ArquivoNativo::truncar(std::uint64_t tamanho) {
    if (::ftruncate(fd_, static_cast<off_t>(tamanho)) != 0)
        falhar("ftruncate");
}

void ArquivoNativo::iniciarGravacaoEmDisco(std::uint64_t offset, std::uint64_t n) noexcept {
    ::sync_file_range(fd_, static_cast<off_t>(offset), static_cast<off_t>(n),
                      SYNC_FILE_RANGE_WRITE);
}

void ArquivoNativo::sincronizar() {
    if (::fsync(fd_) != 0)
        falhar("fsync");
}

void ArquivoNativo::definirModificacao(std::time_t instante) {
    struct timespec tempos[2];
    tempos[0].tv_sec = 0;
    tempos[0].tv_nsec = UTIME_OMIT;
    tempos[1].tv_sec = instante;
    tempos[1].tv_nsec = 0;
    if (::futimens(fd_, tempos) != 0)
        falhar("futimens");
}

void ArquivoNativo::definirSomenteLeitura(bool somenteLeitura) {
    struct stat st;
    if (::fstat(fd_, &st) != 0)
        falhar("fstat");
    mode_t modo = st.st_mode & 07777;
    modo = somenteLeitura ? (modo & ~static_cast<mode_t>(0222)) : (modo | S_IWUSR);
    if (modo != (st.st_mode & 07777) && ::fchmod(fd_, modo) != 0)
        falhar("fchmod");
}

bool ArquivoNativo::emUnidadeRemovivel() const {
    struct stat st;
    if (::fstat(fd_, &st) != 0)
        return false;
    const std::string base = "/sys/dev/block/" + std::to_string(major(st.st_dev)) + ":" +
                             std::to_string(minor(st.st_dev));
    // A partition has no "removable" of its own; its disk, one folder up, has.
    return valorRemovivel(base + "/removable") || valorRemovivel(base + "/../removable");
}

void ArquivoNativo::fechar() {
    if (fd_ < 0)
        return;
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && errno != EINTR)
        falhar("close");
}

std::optional<InfoArquivo> infoCaminho(const fs::path& p) {
    struct stat st;
    if (::stat(p.c_str(), &st) != 0)
        return std::nullopt;
    return deStat(st);
}

void removerArquivo(const fs::path& p) {
    struct stat st;
    if (::lstat(p.c_str(), &st) != 0) {
        if (errno == ENOENT)
            return;
        falhar("lstat");
    }
    if (S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        falhar("unlink");
    }
    // Deleting needs no write permission on the file itself here, so a read-only
    // file goes without changing its attributes first (and a link goes as it is).
    if (::unlink(p.c_str()) != 0 && errno != ENOENT)
        falhar("unlink");
}

}  // namespace vaultkeep
