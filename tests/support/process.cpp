#include "support/process.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace vaultkeep::teste {

Execucao executarPrograma(const std::vector<std::string>& argv, const OpcoesExecucao& op) {
    if (argv.empty())
        throw std::invalid_argument("empty argv");
    int saida[2], entrada[2];
    if (::pipe2(saida, O_CLOEXEC) != 0 || ::pipe2(entrada, O_CLOEXEC) != 0)
        throw std::runtime_error(std::strerror(errno));
    const pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error(std::strerror(errno));
    if (pid == 0) {
        ::setpgid(0, 0);
        if (op.entrada) {
            ::dup2(entrada[0], 0);
        } else {
            const int nulo = ::open("/dev/null", O_RDONLY);
            ::dup2(nulo, 0);
        }
        ::dup2(saida[1], 1);
        ::dup2(saida[1], 2);
        if (!op.pasta.empty() && ::chdir(op.pasta.c_str()) != 0)
            ::_exit(126);
        for (const auto& [nome, valor] : op.ambiente) {
            if (valor)
                ::setenv(nome.c_str(), valor->c_str(), 1);
            else
                ::unsetenv(nome.c_str());
        }
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ::close(saida[1]);
    ::close(entrada[0]);
    if (op.entrada) {
        // Small inputs only: written at once, then closed.
        const std::string& e = *op.entrada;
        std::size_t feito = 0;
        while (feito < e.size()) {
            const ssize_t n = ::write(entrada[1], e.data() + feito, e.size() - feito);
            if (n <= 0)
                break;
            feito += static_cast<std::size_t>(n);
        }
    }
    ::close(entrada[1]);

    Execucao r;
    const auto fim = std::chrono::steady_clock::now() + op.limite;
    char buf[4096];
    for (;;) {
        const auto resta = std::chrono::duration_cast<std::chrono::milliseconds>(
            fim - std::chrono::steady_clock::now());
        if (resta.count() <= 0) {
            r.expirou = true;
            ::kill(-pid, SIGKILL);
            break;
        }
        pollfd p{saida[0], POLLIN, 0};
        const int pr = ::poll(&p, 1, static_cast<int>(std::min<long long>(resta.count(), 1000)));
        if (pr < 0 && errno != EINTR)
            break;
        if (pr <= 0)
            continue;
        const ssize_t n = ::read(saida[0], buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        r.saida.append(buf, static_cast<std::size_t>(n));
    }
    ::close(saida[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    r.codigo = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return r;
}

}  // namespace vaultkeep::teste
