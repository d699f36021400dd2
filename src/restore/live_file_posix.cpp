#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "restore/live_file.hpp"

namespace vaultkeep {
namespace fs = std::filesystem;

namespace {

struct FechaPasta {
    void operator()(DIR* d) const { ::closedir(d); }
};
using Pasta = std::unique_ptr<DIR, FechaPasta>;

bool soDigitos(const char* s) {
    if (*s == '\0')
        return false;
    for (; *s; ++s)
        if (!std::isdigit(static_cast<unsigned char>(*s)))
            return false;
    return true;
}

std::string nomeDoProcesso(long pid) {
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string nome;
    std::getline(comm, nome);
    return nome.empty() ? "PID " + std::to_string(pid) : nome;
}

// Whether one of the process's descriptors leads to the file. A process whose
// descriptors we may not look at is passed over.
bool temDescritorDoArquivo(const std::string& pid, dev_t dispositivo, ino_t inode) {
    const std::string caminho = "/proc/" + pid + "/fd";
    const Pasta fds(::opendir(caminho.c_str()));
    if (!fds)
        return false;
    const int fdPasta = ::dirfd(fds.get());
    while (const dirent* e = ::readdir(fds.get())) {
        if (!soDigitos(e->d_name))
            continue;
        struct stat st {};
        if (::fstatat(fdPasta, e->d_name, &st, 0) == 0 && st.st_dev == dispositivo &&
            st.st_ino == inode)
            return true;
    }
    return false;
}

// The holder of a granted lock on the file, from the kernel's lock table. Lines
// read "1: FLOCK  ADVISORY  WRITE 8797 fe:00:10953139 0 EOF"; a waiter's line
// has "->" after the number and holds nothing. An open-file-description lock
// shows the PID -1: held, by a process the table does not name.
std::optional<long> processoComTrava(dev_t dispositivo, ino_t inode, long proprio) {
    std::ifstream travas("/proc/locks");
    std::string linha;
    while (std::getline(travas, linha)) {
        std::istringstream campos(linha);
        std::string numero, tipo, modo, acesso, id;
        long pid = 0;
        if (!(campos >> numero >> tipo) || tipo == "->")
            continue;
        if (!(campos >> modo >> acesso >> pid >> id))
            continue;
        unsigned maior = 0, menor = 0;
        unsigned long numeroInode = 0;
        if (std::sscanf(id.c_str(), "%x:%x:%lu", &maior, &menor, &numeroInode) != 3)
            continue;
        if (maior == ::major(dispositivo) && menor == ::minor(dispositivo) &&
            numeroInode == inode && pid != proprio)
            return pid;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> programaComArquivoAberto(const fs::path& arquivo) {
    struct stat alvo {};
    if (::stat(arquivo.c_str(), &alvo) != 0)
        return std::nullopt;
    const long proprio = static_cast<long>(::getpid());

    if (const Pasta proc{::opendir("/proc")}) {
        while (const dirent* e = ::readdir(proc.get())) {
            if (!soDigitos(e->d_name) || std::stol(e->d_name) == proprio)
                continue;
            if (temDescritorDoArquivo(e->d_name, alvo.st_dev, alvo.st_ino))
                return nomeDoProcesso(std::stol(e->d_name));
        }
    }
    if (const auto pid = processoComTrava(alvo.st_dev, alvo.st_ino, proprio))
        return *pid > 0 ? nomeDoProcesso(*pid) : std::string("desconhecido");
    return std::nullopt;
}

void herdarDonoEPermissoes(const fs::path& modelo, const fs::path& alvo) {
    struct stat st {};
    if (::stat(modelo.c_str(), &st) != 0)
        return;
    // Owner first: a change of owner clears the set-user-ID bits chmod gives back.
    if (::chown(alvo.c_str(), st.st_uid, st.st_gid) != 0)
        (void)!::chown(alvo.c_str(), static_cast<uid_t>(-1), st.st_gid);
    (void)!::chmod(alvo.c_str(), st.st_mode & 07777);
}

}  // namespace vaultkeep
