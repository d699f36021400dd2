#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "common/descritor.hpp"
#include "common/files.hpp"

namespace vaultkeep {
namespace fs = std::filesystem;

namespace {

[[noreturn]] void erro(int codigo, const std::string& contexto) {
    throw std::system_error(codigo, std::generic_category(), contexto);
}

void sincronizarPasta(const fs::path& pasta) {
    Descritor d(::open(pasta.empty() ? "." : pasta.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (d.get() >= 0)
        ::fsync(d.get());
}

void copiarConteudo(int de, int para, const fs::path& origem) {
    std::vector<char> buf(1 << 20);
    for (;;) {
        const ssize_t n = ::read(de, buf.data(), buf.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            erro(errno, origem.string());
        }
        if (n == 0)
            return;
        for (ssize_t feito = 0; feito < n;) {
            const ssize_t w =
                ::write(para, buf.data() + feito, static_cast<std::size_t>(n - feito));
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                erro(errno, "write");
            }
            feito += w;
        }
    }
}

}  // namespace

void moverSemSubstituir(const fs::path& origem, const fs::path& alvo) {
    if (::renameat2(AT_FDCWD, origem.c_str(), AT_FDCWD, alvo.c_str(), RENAME_NOREPLACE) == 0) {
        sincronizarPasta(alvo.parent_path());
        return;
    }
    if (errno != EINVAL && errno != ENOSYS)
        erro(errno, origem.string() + " -> " + alvo.string());
    // File systems without the no-replace rename: a hard link fails on an existing
    // target just the same.
    if (::link(origem.c_str(), alvo.c_str()) != 0)
        erro(errno, origem.string() + " -> " + alvo.string());
    if (::unlink(origem.c_str()) != 0)
        erro(errno, origem.string());
    sincronizarPasta(alvo.parent_path());
}

void copiarArquivoSeguro(const fs::path& origem, const fs::path& alvo, bool substituir) {
    Descritor de(::open(origem.c_str(), O_RDONLY | O_CLOEXEC));
    if (de.get() < 0)
        erro(errno, origem.string());
    struct stat st {};
    if (::fstat(de.get(), &st) != 0)
        erro(errno, origem.string());
    if (!S_ISREG(st.st_mode))
        erro(EISDIR, origem.string());
    if (!substituir && ::access(alvo.c_str(), F_OK) == 0)
        erro(EEXIST, alvo.string());

    const fs::path pasta = alvo.parent_path();
    std::string modelo = (pasta / ("." + alvo.filename().string() + ".XXXXXX")).string();
    Descritor para(::mkostemp(modelo.data(), O_CLOEXEC));
    if (para.get() < 0)
        erro(errno, alvo.string());
    try {
        copiarConteudo(de.get(), para.get(), origem);
        ::fchmod(para.get(), st.st_mode & 07777);
        const timespec tempos[2] = {st.st_atim, st.st_mtim};
        ::futimens(para.get(), tempos);
        if (::fsync(para.get()) != 0)
            erro(errno, alvo.string());
        if (para.fechar() != 0)
            erro(errno, alvo.string());
        if (substituir) {
            if (::rename(modelo.c_str(), alvo.c_str()) != 0)
                erro(errno, alvo.string());
            sincronizarPasta(pasta);
        } else {
            moverSemSubstituir(modelo, alvo);
        }
    } catch (...) {
        ::unlink(modelo.c_str());
        throw;
    }
}

}  // namespace vaultkeep
