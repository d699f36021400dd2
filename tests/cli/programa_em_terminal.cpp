#include "programa_em_terminal.hpp"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace vaultkeep::teste {

ProgramaEmTerminal::ProgramaEmTerminal(const std::vector<std::string>& argv,
                                       bool saidaPadraoEmPipe) {
    if (argv.empty())
        throw std::invalid_argument("empty argv");
    int p[2] = {-1, -1};
    if (saidaPadraoEmPipe && ::pipe2(p, O_CLOEXEC) != 0)
        throw std::runtime_error(std::strerror(errno));
    winsize tamanho{};
    tamanho.ws_row = 40;
    tamanho.ws_col = 200;
    pid_ = ::forkpty(&mestre_, nullptr, nullptr, &tamanho);
    if (pid_ < 0)
        throw std::runtime_error(std::string("forkpty: ") + std::strerror(errno));
    if (pid_ == 0) {
        if (saidaPadraoEmPipe)
            ::dup2(p[1], STDOUT_FILENO);
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ::fcntl(mestre_, F_SETFD, FD_CLOEXEC);
    if (const char* nome = ::ptsname(mestre_))
        dispositivo_ = nome;
    if (saidaPadraoEmPipe) {
        ::close(p[1]);
        pipe_ = p[0];
        ::fcntl(pipe_, F_SETFL, O_NONBLOCK);
    }
}

ProgramaEmTerminal::~ProgramaEmTerminal() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        int st;
        ::waitpid(pid_, &st, 0);
    }
    if (mestre_ >= 0)
        ::close(mestre_);
    if (pipe_ >= 0)
        ::close(pipe_);
}

int ProgramaEmTerminal::lerTela(std::chrono::milliseconds espera) {
    if (mestre_ < 0)
        return -1;
    pollfd p{mestre_, POLLIN, 0};
    const int r = ::poll(&p, 1, static_cast<int>(espera.count()));
    if (r <= 0)
        return 0;
    char buf[4096];
    const ssize_t n = ::read(mestre_, buf, sizeof buf);
    if (n > 0) {
        tela_.append(buf, static_cast<std::size_t>(n));
        return static_cast<int>(n);
    }
    if (n < 0 && errno == EINTR)
        return 0;
    // EIO: every descriptor of the terminal's other side is closed.
    ::close(mestre_);
    mestre_ = -1;
    return -1;
}

void ProgramaEmTerminal::lerPipe() {
    if (pipe_ < 0)
        return;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(pipe_, buf, sizeof buf);
        if (n > 0) {
            saida_.append(buf, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0) {
            ::close(pipe_);
            pipe_ = -1;
        }
        return;
    }
}

bool ProgramaEmTerminal::esperar(const std::string& texto, std::chrono::milliseconds limite) {
    const auto fim = std::chrono::steady_clock::now() + limite;
    for (;;) {
        const auto achado = tela_.find(texto, consumido_);
        if (achado != std::string::npos) {
            consumido_ = achado + texto.size();
            return true;
        }
        if (std::chrono::steady_clock::now() >= fim || lerTela(std::chrono::milliseconds(50)) < 0)
            return false;
    }
}

void ProgramaEmTerminal::digitar(const std::string& teclas) {
    std::size_t feito = 0;
    while (feito < teclas.size() && mestre_ >= 0) {
        const ssize_t n = ::write(mestre_, teclas.data() + feito, teclas.size() - feito);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw std::runtime_error(std::string("typing: ") + std::strerror(errno));
        feito += static_cast<std::size_t>(n);
    }
}

std::string ProgramaEmTerminal::saidaPadrao() {
    lerPipe();
    return saida_;
}

bool ProgramaEmTerminal::rodando() {
    if (pid_ <= 0)
        return false;
    int st = 0;
    if (::waitpid(pid_, &st, WNOHANG) == pid_) {
        status_ = st;
        pid_ = -1;
        return false;
    }
    return true;
}

std::optional<int> ProgramaEmTerminal::terminar(std::chrono::milliseconds limite) {
    const auto fim = std::chrono::steady_clock::now() + limite;
    // The screen is read while waiting: a program blocked on a full terminal
    // would never end.
    while (rodando()) {
        if (std::chrono::steady_clock::now() >= fim) {
            ::kill(pid_, SIGKILL);
            int st;
            ::waitpid(pid_, &st, 0);
            pid_ = -1;
            return std::nullopt;
        }
        lerPipe();
        if (lerTela(std::chrono::milliseconds(20)) < 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // What the program left on the screen and in the pipe (a grandchild that
    // still holds either open is not waited for).
    while (lerTela(std::chrono::milliseconds(100)) > 0) {
    }
    lerPipe();
    if (WIFEXITED(status_))
        return WEXITSTATUS(status_);
    if (WIFSIGNALED(status_))
        return 128 + WTERMSIG(status_);
    return std::nullopt;
}

}  // namespace vaultkeep::teste
