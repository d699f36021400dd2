#pragma once
// Where the reference server keeps the archives: one folder per establishment
// key (md5Hex of the establishment's name) below the storage folder, holding the
// archives under the names they were sent with and "nome.txt" with the name.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vaultkeep::servidor {

namespace fs = std::filesystem;

// An archive being received: a temporary file in the storage folder that
// becomes an archive of a key with `concluir`, or disappears.
class ArquivoRecebido {
  public:
    explicit ArquivoRecebido(const fs::path& pastaTemporaria);
    ~ArquivoRecebido();
    ArquivoRecebido(ArquivoRecebido&& o) noexcept;
    ArquivoRecebido(const ArquivoRecebido&) = delete;
    ArquivoRecebido& operator=(const ArquivoRecebido&) = delete;
    ArquivoRecebido& operator=(ArquivoRecebido&&) = delete;

    // Appends bytes; false when the disk refused them.
    bool escrever(const char* dados, std::size_t n);
    std::uint64_t tamanho() const { return tamanho_; }
    // The first bytes received (up to 4), to recognise a ZIP archive.
    const std::string& inicio() const { return inicio_; }
    // Flushes the file and moves it to `destino`. Throws std::runtime_error.
    void concluir(const fs::path& destino);

  private:
    fs::path caminho_;
    int fd_ = -1;
    std::uint64_t tamanho_ = 0;
    std::string inicio_;
};

struct ArquivoGuardado {
    std::string chave;  // 32 upper-case hexadecimal digits
    std::string nome;   // file name inside the key's folder
    fs::path caminho;
    fs::file_time_type modificado;
};

class Armazem {
  public:
    explicit Armazem(fs::path pasta);

    const fs::path& pasta() const { return pasta_; }

    // Where uploads are received before they are stored (same file system, so
    // storing is a rename).
    fs::path pastaRecebimento() const { return pasta_ / ".recebendo"; }

    // Stores a finished upload as the newest archive of `nomeEstabelecimento`
    // (UTF-8) under `nomeArquivo` reduced to a safe bare name. Returns where it went.
    ArquivoGuardado guardar(ArquivoRecebido& recebido, std::string_view nomeEstabelecimento,
                            std::string_view nomeArquivo) const;

    // The newest archive of a key (the most recently stored; the name breaks a
    // tie), or nothing.
    std::optional<ArquivoGuardado> maisRecente(std::string_view chave) const;

    // The archive `nome` of `chave`, when both are well formed and it exists.
    std::optional<fs::path> localizar(std::string_view chave, std::string_view nome) const;

  private:
    fs::path pasta_;
};

// Whether the text is 32 upper-case hexadecimal digits.
bool chaveValida(std::string_view chave);

// The last component of a sent file name (by "/" or "\"), or "backup.zip" when
// that is empty, "." or "..", starts with "." or holds control characters.
std::string nomeSeguro(std::string_view nome);

}  // namespace vaultkeep::servidor
