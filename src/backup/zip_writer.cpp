// compactarArquivos: collects the files, writes each as an entry through the
// failure prompt's Retry / Ignore / Abort, then the central directory, the end
// record and the flush to disk.

#include <mutex>
#include <system_error>

#include "backup/entry_writer.hpp"
#include "backup/file_search.hpp"
#include "backup/native_file.hpp"
#include "backup/zip_archive.hpp"
#include "backup/zip_lock.hpp"
#include "backup/zip_prompts.hpp"
#include "backup/zip_records.hpp"
#include "common/codepage.hpp"

namespace vaultkeep {
namespace {

class EscritorZip {
  public:
    EscritorZip(UiPort& ui, ArquivoNativo& arquivo, const std::string& senha)
        : ui_(ui), arquivo_(arquivo), gravador_(arquivo, utf8ParaAnsi(senha)) {}

    // Writes the whole archive. False when the person aborted; the archive is
    // then left without entries.
    bool escrever(const std::vector<fs::path>& arquivos) {
        for (;;) {
            entradas_.clear();
            fim_ = 0;
            for (const auto& a : arquivos)
                if (!gravarEntrada(a))
                    return false;
            try {
                gravarDiretorioEFinalizar();
                return true;
            } catch (const ErroZip& falha) {
                // Data that did not reach the disk may be gone from the cache as
                // well, so a retry writes the whole archive again.
                if (perguntarFalha(ui_, falha) != RespostaFalha::Repetir)
                    return false;
                cortar(0);
            }
        }
    }

    // Leaves the archive as an empty archive (the 22-byte end record), flushed and
    // closed. Never throws: it also runs on the way out of an error.
    void esvaziar() noexcept {
        try {
            arquivo_.truncar(0);
            const std::string fim = montarFim(0, 0, 0);
            arquivo_.gravarEm(0, fim.data(), fim.size());
            arquivo_.sincronizar();
        } catch (...) {
        }
        try {
            arquivo_.fechar();
        } catch (...) {
        }
    }

  private:
    // One entry with its prompt loop; false on Abort.
    bool gravarEntrada(const fs::path& origem) {
        const std::uint64_t inicio = fim_;
        return processarEntrada(
            ui_,
            [&] {
                if (entradas_.size() >= 0xFFFF)  // the end record counts 16 bits
                    throw erroZip(kFalhaZip64, origem.string());
                std::uint64_t fim = 0;
                entradas_.push_back(gravador_.gravar(origem, inicio, fim));
                fim_ = fim;
            },
            [&] { cortar(inicio); });
    }

    void gravarDiretorioEFinalizar() {
        std::string diretorio;
        for (const auto& e : entradas_)
            diretorio += montarCabecalhoCentral(e);
        if (fim_ + diretorio.size() >= kLimite32)
            throw erroZip(kFalhaDiscoCheio);
        diretorio += montarFim(static_cast<std::uint16_t>(entradas_.size()),
                               static_cast<std::uint32_t>(diretorio.size()),
                               static_cast<std::uint32_t>(fim_));
        try {
            arquivo_.truncar(fim_);
            arquivo_.gravarEm(fim_, diretorio.data(), diretorio.size());
            arquivo_.sincronizar();
            arquivo_.fechar();
        } catch (const std::system_error&) {
            throw erroZip(kFalhaDiscoCheio);
        }
    }

    // Cuts the archive back to `tamanho` bytes (what a retried or skipped entry
    // had written goes away).
    void cortar(std::uint64_t tamanho) noexcept {
        try {
            arquivo_.truncar(tamanho);
        } catch (...) {
        }
        fim_ = tamanho;
    }

    UiPort& ui_;
    ArquivoNativo& arquivo_;
    GravadorEntrada gravador_;
    std::vector<EntradaZip> entradas_;
    std::uint64_t fim_ = 0;
};

}  // namespace

void compactarArquivos(UiPort& ui, const std::string& arquivo, const std::string& pastaBase,
                       const std::string& mascara, const std::string& senha) {
    std::lock_guard trava(travaArquivosZip());
    ArquivoNativo saida;
    try {
        saida = ArquivoNativo::criarOuTruncar(arquivo);
    } catch (const std::system_error& e) {
        throw erroCriarArquivo(arquivo, e.code().value());
    }
    EscritorZip escritor(ui, saida, senha);
    try {
        const InfoArquivo proprio = saida.info();
        std::vector<fs::path> arquivos;
        for (auto& p : buscarArquivos(pastaBase, mascara)) {
            const auto i = infoCaminho(p);
            if (i && i->dispositivo == proprio.dispositivo && i->inode == proprio.inode)
                continue;  // the archive never takes itself
            arquivos.push_back(std::move(p));
        }
        if (!escritor.escrever(arquivos))
            escritor.esvaziar();
    } catch (...) {
        escritor.esvaziar();
        throw;
    }
}

}  // namespace vaultkeep
