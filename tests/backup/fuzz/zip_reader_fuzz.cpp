// libFuzzer target for the archive reader (built with clang by scripts/fuzz).
// Each input is written as an archive and extracted into a fresh folder with
// every prompt answered so that all entries are tried. Any crash, sanitizer
// report, unexpected exception, or file that is not a plain file directly inside
// the destination folder stops the run.
//
// With VAULTKEEP_FUZZ_SEEDS=<folder> set, start-up also writes seed archives
// there (ours, with and without password), so the fuzzer starts from real
// structure.

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "backup/zip_archive.hpp"

namespace fs = std::filesystem;
using namespace vaultkeep;

namespace {

class UiFuzz : public UiPortSemPessoa {
  public:
    RespostaFalha falhaArquivo(const std::string&, bool) override { return RespostaFalha::Ignorar; }
    std::optional<std::string> pedirSenha(const std::string&, const std::string&) override {
        if (dada_)
            return std::nullopt;
        dada_ = true;
        return "segredo";
    }

  private:
    bool dada_ = false;
};

void gravar(const fs::path& p, const std::string& dados) {
    std::ofstream(p, std::ios::binary | std::ios::trunc) << dados;
}

void sementes(const fs::path& pasta, const fs::path& trabalho) {
    fs::create_directories(pasta);
    const fs::path base = trabalho / "sementes";
    fs::create_directories(base / "sub");
    std::string texto;
    for (int i = 0; i < 3000; ++i)
        texto += "CLIENTE " + std::to_string(i * 7919 % 1000) + " PIX ";
    gravar(base / "BASE.FDB", texto);
    gravar(base / "sub" / "b.fdb", texto.substr(0, 500));
    UiPortSemPessoa ui;
    compactarArquivos(ui, (pasta / "com-senha.zip").string(), base.string(), "*.FDB", "segredo");
    compactarArquivos(ui, (pasta / "sem-senha.zip").string(), base.string(), "*.FDB", "");
    fs::remove_all(base);
}

// A plain array: it outlives every destructor, so the exit handler can use it.
char caminhoRaiz[4096];

fs::path raiz() {
    if (!caminhoRaiz[0]) {
        const std::string modelo = (fs::temp_directory_path() / "vaultkeep-fuzz-XXXXXX").string();
        if (modelo.size() >= sizeof caminhoRaiz)
            std::abort();
        modelo.copy(caminhoRaiz, modelo.size());
        if (!::mkdtemp(caminhoRaiz))
            std::abort();
        // Left in place after a crash, for the post-mortem; removed on a normal end.
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(caminhoRaiz, ec);
        });
    }
    return caminhoRaiz;
}

}  // namespace

// Runs before the corpus is read, so the seeds are part of it from the start.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (const char* s = std::getenv("VAULTKEEP_FUZZ_SEEDS"))
        sementes(s, raiz());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dados, std::size_t tamanho) {
    const fs::path r = raiz();
    const fs::path destino = r / "destino";
    fs::remove_all(destino);
    fs::create_directories(destino);
    gravar(r / "a.zip", std::string(reinterpret_cast<const char*>(dados), tamanho));
    gravar(r / "sentinela.FDB", "sentinela");
    UiFuzz ui;
    try {
        extrairArquivos(ui, (r / "a.zip").string(), destino.string(), "*", "errada");
    } catch (const ErroZip& e) {
        if (e.codigo() != 35 && e.codigo() != 40)
            std::abort();
    }
    for (const auto& item : fs::recursive_directory_iterator(r)) {
        const fs::path& p = item.path();
        if (p == r / "a.zip" || p == r / "sentinela.FDB" || p == destino)
            continue;
        if (p.parent_path() != destino || !fs::is_regular_file(fs::symlink_status(p))) {
            std::fprintf(stderr, "written outside the destination: %s\n", p.c_str());
            std::abort();
        }
    }
    std::ifstream s(r / "sentinela.FDB");
    std::string conteudo;
    std::getline(s, conteudo);
    if (conteudo != "sentinela")
        std::abort();
    return 0;
}
