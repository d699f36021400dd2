#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <vector>

#include "tools/sistema.hpp"

namespace vaultkeep {

std::string nomeDoComputador() {
    char buf[256] = {};
    if (::gethostname(buf, sizeof buf - 1) != 0)
        return {};
    std::string nome(buf);
    if (nome.size() > 15)
        nome.resize(15);
    return nome;
}

std::string nomeDoUsuario() {
    long tamanho = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buf(tamanho > 0 ? static_cast<std::size_t>(tamanho) : 16384);
    for (;;) {
        passwd pw{};
        passwd* achado = nullptr;
        const int erro = ::getpwuid_r(::geteuid(), &pw, buf.data(), buf.size(), &achado);
        if (erro == ERANGE && buf.size() < (1u << 20)) {
            buf.resize(buf.size() * 2);
            continue;
        }
        if (erro != 0)
            throw std::system_error(erro, std::system_category());
        if (!achado || !pw.pw_name)
            throw std::system_error(ENOENT, std::system_category());
        return pw.pw_name;
    }
}

}  // namespace vaultkeep
