#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <vector>

#include "common/descritor.hpp"
#include "common/text.hpp"
#include "tools/arquivos.hpp"

namespace vaultkeep {
namespace {

namespace fs = std::filesystem;

struct FechaDir {
    void operator()(DIR* d) const { ::closedir(d); }
};

// Opens a sub-folder of `pai` without following a link; a folder we may not read
// gets owner rights first.
int abrirPasta(int pai, const char* nome, mode_t modo) {
    constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    int fd = ::openat(pai, nome, kFlags);
    if (fd < 0 && errno == EACCES && ::fchmodat(pai, nome, modo | S_IRWXU, 0) == 0)
        fd = ::openat(pai, nome, kFlags);
    return fd;
}

// Empties the open folder. Every step works relative to an open folder handle, so
// swapping a folder for a link half-way cannot lead the removal elsewhere.
void esvaziar(int fd, dev_t dispositivo) {
    struct stat st;
    if (::fstat(fd, &st) == 0 && (st.st_mode & S_IRWXU) != S_IRWXU)
        ::fchmod(fd, st.st_mode | S_IRWXU);  // entries of a read-only folder can't go otherwise

    std::vector<std::string> nomes;
    {
        const int copia = ::dup(fd);
        if (copia < 0)
            return;
        std::unique_ptr<DIR, FechaDir> dir(::fdopendir(copia));
        if (!dir) {
            ::close(copia);
            return;
        }
        while (const dirent* e = ::readdir(dir.get())) {
            const std::string_view n = e->d_name;
            if (n != "." && n != "..")
                nomes.emplace_back(n);
        }
    }
    for (const auto& nome : nomes) {
        struct stat ent;
        if (::fstatat(fd, nome.c_str(), &ent, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (!S_ISDIR(ent.st_mode)) {
            ::unlinkat(fd, nome.c_str(), 0);
            continue;
        }
        if (ent.st_dev != dispositivo)
            continue;  // a mount point: its contents belong to another file system
        {
            Descritor sub(abrirPasta(fd, nome.c_str(), ent.st_mode));
            if (sub.get() >= 0)
                esvaziar(sub.get(), dispositivo);
        }
        ::unlinkat(fd, nome.c_str(), AT_REMOVEDIR);
    }
}

}  // namespace

std::string caminhoCurto(const std::string& caminho) {
    return caminho;
}

void excluirPasta(const std::string& pasta) {
    if (pasta.empty())
        return;
    struct stat st;
    if (::lstat(pasta.c_str(), &st) != 0)
        return;
    if (S_ISLNK(st.st_mode)) {
        ::unlink(pasta.c_str());
        return;
    }
    if (!S_ISDIR(st.st_mode))
        return;
    {
        Descritor fd(abrirPasta(AT_FDCWD, pasta.c_str(), st.st_mode));
        if (fd.get() < 0)
            return;
        esvaziar(fd.get(), st.st_dev);
    }
    ::rmdir(pasta.c_str());
}

std::string localizarArquivoFDB(const std::string& pasta) {
    try {
        std::error_code ec;
        for (fs::directory_iterator it(pasta, ec), fim; !ec && it != fim; it.increment(ec)) {
            const std::string nome = it->path().filename().string();
            if (nome.empty() || nome[0] == '.' || !contem(maiusculasAscii(nome), ".FDB"))
                continue;
            std::error_code ec2;
            if (!it->is_regular_file(ec2))
                continue;
            return (fs::path(pasta) / nome).string();
        }
    } catch (...) {
    }
    return {};
}

}  // namespace vaultkeep
