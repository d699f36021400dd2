#pragma once
// The file operations the archive module needs from the platform, behind one
// small interface: an owned file handle with positioned reads and writes, and
// the few questions and changes about files by path. Failures of the system
// calls throw std::system_error carrying errno; the archive code turns them into
// its own failures.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>

namespace vaultkeep {

namespace fs = std::filesystem;

// What the archive stores about a file.
struct InfoArquivo {
    std::uint64_t tamanho = 0;
    std::time_t modificacao = 0;
    std::uint32_t atributos = 0;  // Windows bits: 0x20 archive, plus 0x01 read-only
    std::uint64_t dispositivo = 0, inode = 0;
    bool regular = false;
};

class ArquivoNativo {
  public:
    ArquivoNativo() = default;
    ~ArquivoNativo();
    ArquivoNativo(ArquivoNativo&& o) noexcept;
    ArquivoNativo& operator=(ArquivoNativo&& o) noexcept;
    ArquivoNativo(const ArquivoNativo&) = delete;
    ArquivoNativo& operator=(const ArquivoNativo&) = delete;

    // An existing regular file for reading, read-ahead tuned for one pass.
    // Never blocks on a pipe or device: those fail with EINVAL / EISDIR.
    static ArquivoNativo abrirLeitura(const fs::path& p);
    // Creates or truncates a file for writing.
    static ArquivoNativo criarOuTruncar(const fs::path& p);
    // Creates a new file for writing; fails if the name exists (a link included).
    static ArquivoNativo criarNovo(const fs::path& p);

    bool aberto() const noexcept { return fd_ >= 0; }
    InfoArquivo info() const;

    // Reads up to `n` bytes at `offset`; fewer only at the end of the file.
    std::size_t lerEm(std::uint64_t offset, void* destino, std::size_t n) const;
    // Writes all `n` bytes at `offset`.
    void gravarEm(std::uint64_t offset, const void* dados, std::size_t n);
    void truncar(std::uint64_t tamanho);
    // Starts writing the range back to disk without waiting, so the final flush
    // has little left to do.
    void iniciarGravacaoEmDisco(std::uint64_t offset, std::uint64_t n) noexcept;
    // Flushes the data to disk.
    void sincronizar();
    void definirModificacao(std::time_t instante);
    void definirSomenteLeitura(bool somenteLeitura);
    // Whether the file lies on a removable drive.
    bool emUnidadeRemovivel() const;
    // Closes, reporting a failure of the close itself.
    void fechar();

  private:
    explicit ArquivoNativo(int fd) : fd_(fd) {}
    int fd_ = -1;
};

// Information about the file at `p` (links followed); nothing when it does not
// exist or cannot be examined.
std::optional<InfoArquivo> infoCaminho(const fs::path& p);

// Clears the attributes of the file (or link) at `p` and deletes it. Nothing to
// do when it does not exist; a folder is not deleted (EISDIR).
void removerArquivo(const fs::path& p);

}  // namespace vaultkeep
