#include "cli/trava_operacao.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "common/paths.hpp"

namespace vaultkeep::cli {

std::unique_ptr<TravaOperacao> TravaOperacao::tentar() {
    // The lock file is never removed: removing it would let a third process lock
    // a new file while the second still holds the old one.
    const std::string caminho = raizTrabalho().string() + ".lock";
    const int fd = ::open(caminho.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return std::unique_ptr<TravaOperacao>(new TravaOperacao(-1));
    int r;
    while ((r = ::flock(fd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (r != 0) {
        const bool ocupada = errno == EWOULDBLOCK;
        ::close(fd);
        if (ocupada)
            return nullptr;
        return std::unique_ptr<TravaOperacao>(new TravaOperacao(-1));
    }
    return std::unique_ptr<TravaOperacao>(new TravaOperacao(fd));
}

TravaOperacao::~TravaOperacao() {
    if (fd_ >= 0)
        ::close(fd_);
}

}  // namespace vaultkeep::cli
