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
    Descritor fd(::open(caminho.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!fd.valido())
        return std::unique_ptr<TravaOperacao>(new TravaOperacao(Descritor()));
    int r;
    while ((r = ::flock(fd.get(), LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (r != 0 && errno == EWOULDBLOCK)
        return nullptr;
    if (r != 0)
        fd.fechar();  // a file system without locks: nothing to hold
    return std::unique_ptr<TravaOperacao>(new TravaOperacao(std::move(fd)));
}

}  // namespace vaultkeep::cli
