#pragma once
// What the restore tests share: archives made by the program's own writer, a UI
// port that acts while the swap's notice is open, child processes that hold a
// file, and ways to compare database files and folders.

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "support/firebird_falso.hpp"
#include "support/scripted_ui.hpp"

namespace vaultkeep::teste {

namespace fs = std::filesystem;

// Records like ScriptedUi and runs `aoAvisar` once the swap's notice is shown:
// after the first check, before the database folder changes.
class UiComAcaoNoAviso : public ScriptedUi {
  public:
    std::function<void()> aoAvisar;
    void aviso(const std::string& titulo, const std::string& texto) override;
};

// An archive `arquivo` written by compactarArquivos holding `arquivos` under
// their own names (copied into a folder of their own first), encrypted with the
// built-in password.
fs::path criarArquivoBackup(const fs::path& arquivo, const std::vector<fs::path>& arquivos);

// The 22 bytes of a ZIP archive without entries.
std::string zipSemEntradas();

// The names in a folder (not recursive); empty when it does not exist.
std::set<std::string> nomesNaPasta(const fs::path& pasta);

// Every regular file below `raiz`, as paths relative to it.
std::set<std::string> arquivosAbaixo(const fs::path& raiz);

// Whether two database files hold the same pages, the header page and the
// pointer pages aside: every attachment (gfix's included) rewrites the header,
// and a validation rewrites the fill marks that pointer pages keep of damaged
// data pages. The data pages themselves must be equal.
bool mesmoBancoForaDoCabecalho(const fs::path& a, const fs::path& b);

// "BASE_ANTIGA_dd_mm_yyyy" for today, worked out apart from the code under test.
std::string radicalDeHoje();
// Today as "dd/MM/yyyy".
std::string dataDeHoje();

// A process that has `arquivo` open on its standard input (a copy of sleep named
// `nome`), with an exclusive flock on it when `travar` is set; killed and reaped
// when the object goes.
class ProcessoComArquivo {
  public:
    ProcessoComArquivo(const std::string& nome, const fs::path& arquivo, bool travar = false);
    ~ProcessoComArquivo();
    ProcessoComArquivo(const ProcessoComArquivo&) = delete;
    ProcessoComArquivo& operator=(const ProcessoComArquivo&) = delete;

  private:
    pid_t pid_ = -1;
};

// Runs the helper that asks programaComArquivoAberto about `arquivo` as the user
// "nobody" and gives what it printed: the holder's name, or "livre".
std::string perguntarComoNobody(const fs::path& arquivo);

}  // namespace vaultkeep::teste
