#include "support/loopback.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <stdexcept>

namespace vaultkeep::teste {

EscutaLocal escutarNoLoopback(int fila) {
    EscutaLocal e;
    e.socket = Descritor(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t n = sizeof a;
    const int fd = e.socket.get();
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&a), n) != 0 || ::listen(fd, fila) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n) != 0)
        throw std::runtime_error("cannot listen on the loopback");
    e.porta = ntohs(a.sin_port);
    return e;
}

}  // namespace vaultkeep::teste
