#include <dirent.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <memory>
#include <optional>
#include <vector>

#include "tools/processos.hpp"

namespace vaultkeep {
namespace {

constexpr std::string_view kApagado = " (deleted)";

std::string lerPrimeiraLinha(const std::string& caminho) {
    std::ifstream in(caminho);
    std::string linha;
    std::getline(in, linha);
    return linha;
}

// The executable of a live process, or nothing when the process has gone or is a
// zombie.
std::optional<std::string> executavelDe(const std::string& pid) {
    const std::string base = "/proc/" + pid;
    // State is the field after the command name, which sits in parentheses and
    // may itself hold blanks or parentheses: look after the last ")".
    const std::string stat = lerPrimeiraLinha(base + "/stat");
    const auto fecha = stat.rfind(')');
    if (fecha == std::string::npos || fecha + 2 >= stat.size())
        return std::nullopt;
    const char estado = stat[fecha + 2];
    if (estado == 'Z' || estado == 'X')
        return std::nullopt;

    char buf[4096];
    const ssize_t n = ::readlink((base + "/exe").c_str(), buf, sizeof buf);
    if (n > 0 && static_cast<std::size_t>(n) < sizeof buf) {
        std::string alvo(buf, static_cast<std::size_t>(n));
        if (alvo.ends_with(kApagado))
            alvo.resize(alvo.size() - kApagado.size());
        return alvo;
    }
    std::string comm = lerPrimeiraLinha(base + "/comm");
    if (comm.empty())
        return std::nullopt;
    return comm;
}

struct FechaDir {
    void operator()(DIR* d) const { ::closedir(d); }
};

// PIDs of the processes whose executable matches the name.
std::vector<pid_t> procurar(const std::string& nome) {
    std::vector<pid_t> achados;
    if (nome.empty())
        return achados;
    std::unique_ptr<DIR, FechaDir> proc(::opendir("/proc"));
    if (!proc)
        return achados;
    while (const dirent* e = ::readdir(proc.get())) {
        const std::string_view n = e->d_name;
        if (n.empty() || n.find_first_not_of("0123456789") != std::string_view::npos)
            continue;
        const auto exe = executavelDe(std::string(n));
        if (exe && nomeProcessoCorresponde(*exe, nome))
            achados.push_back(static_cast<pid_t>(std::stol(std::string(n))));
    }
    return achados;
}

// Signals the process only if the PID still names a matching program: a process
// handle (pidfd) is taken first and the name checked again through it, so a PID
// reused by an unrelated program in between is never hit.
void finalizar(pid_t pid, const std::string& nome) {
    const long fd = ::syscall(SYS_pidfd_open, pid, 0);
    if (fd < 0) {
        if (errno == ENOSYS)
            ::kill(pid, SIGKILL);
        return;
    }
    const auto exe = executavelDe(std::to_string(pid));
    if (exe && nomeProcessoCorresponde(*exe, nome))
        ::syscall(SYS_pidfd_send_signal, static_cast<int>(fd), SIGKILL, nullptr, 0);
    ::close(static_cast<int>(fd));
}

}  // namespace

void finalizarProcesso(const std::string& nome) {
    try {
        for (pid_t pid : procurar(nome))
            finalizar(pid, nome);
    } catch (...) {
        // Nothing is reported to the caller.
    }
}

bool processoEmExecucao(const std::string& nome) {
    try {
        return !procurar(nome).empty();
    } catch (...) {
        return false;
    }
}

}  // namespace vaultkeep
