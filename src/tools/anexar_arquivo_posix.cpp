#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "tools/anexar_arquivo.hpp"

namespace vaultkeep {
namespace {

[[noreturn]] void falhar(int erro) {
    throw std::system_error(erro, std::system_category());
}

class Arquivo {
  public:
    explicit Arquivo(int fd) : fd_(fd) {}
    ~Arquivo() { ::close(fd_); }  // closing also releases the lock
    Arquivo(const Arquivo&) = delete;
    Arquivo& operator=(const Arquivo&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

}  // namespace

void anexarInteiro(const std::filesystem::path& arquivo, std::string_view bytes) {
    const int fd = ::open(arquivo.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        falhar(errno);
    Arquivo f(fd);
    while (::flock(f.get(), LOCK_EX) != 0) {
        if (errno != EINTR)
            falhar(errno);
    }
    struct stat st;
    if (::fstat(f.get(), &st) != 0)
        falhar(errno);
    const off_t tamanhoAnterior = st.st_size;

    std::size_t feito = 0;
    while (feito < bytes.size()) {
        const ssize_t n = ::write(f.get(), bytes.data() + feito, bytes.size() - feito);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int erro = n < 0 ? errno : EIO;
            if (S_ISREG(st.st_mode) && feito > 0) {
                // Should the cut fail too, the write error is still the one to report.
                [[maybe_unused]] const int cortado = ::ftruncate(f.get(), tamanhoAnterior);
            }
            falhar(erro);
        }
        feito += static_cast<std::size_t>(n);
    }
}

}  // namespace vaultkeep
