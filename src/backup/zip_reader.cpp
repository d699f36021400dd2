// extrairArquivos: walks the entries (central directory, or the local headers
// when that cannot be read), picks them by the mask, and extracts each through
// the password prompt and the failure prompt's Retry / Ignore / Abort.
//
// An entry is written to a temporary file in the destination folder and renamed
// over the target only once it is complete and checked: an existing file of the
// same name is replaced by a good copy or left as it was, never lost to a failed
// or cancelled extraction, and no half-written file ever carries the name.

#include <atomic>
#include <mutex>
#include <random>
#include <system_error>

#include "backup/dos_time.hpp"
#include "backup/entry_extractor.hpp"
#include "backup/entry_name.hpp"
#include "backup/name_mask.hpp"
#include "backup/native_file.hpp"
#include "backup/zip_archive.hpp"
#include "backup/zip_crypto.hpp"
#include "backup/zip_lock.hpp"
#include "backup/zip_open.hpp"
#include "backup/zip_prompts.hpp"
#include "common/codepage.hpp"

namespace vaultkeep {
namespace {

// A file being extracted, under a temporary name; deleted unless it was put in
// place.
class Temporario {
  public:
    explicit Temporario(const fs::path& pasta) {
        static std::atomic<unsigned> contador{0};
        std::random_device rd;
        for (int tentativa = 0;; ++tentativa) {
            caminho_ = pasta / (".vaultkeep-" + std::to_string(rd() % 1000000) + "-" +
                                std::to_string(contador++) + ".part");
            try {
                arquivo_ = ArquivoNativo::criarNovo(caminho_);
                return;
            } catch (const std::system_error& e) {
                if (e.code().value() != EEXIST || tentativa >= 100)
                    throw;
            }
        }
    }
    ~Temporario() {
        if (!colocado_) {
            arquivo_ = ArquivoNativo();
            std::error_code ec;
            fs::remove(caminho_, ec);
        }
    }
    Temporario(const Temporario&) = delete;
    Temporario& operator=(const Temporario&) = delete;

    ArquivoNativo& arquivo() { return arquivo_; }

    // Closes the file and gives it the target's name, replacing what is there.
    void colocar(const fs::path& alvo) {
        arquivo_.fechar();
        fs::rename(caminho_, alvo);
        colocado_ = true;
    }

  private:
    fs::path caminho_;
    ArquivoNativo arquivo_;
    bool colocado_ = false;
};

class LeitorZip {
  public:
    LeitorZip(UiPort& ui, const ArquivoNativo& arquivo, const InfoArquivo& info,
              std::string destino, std::string senhaAnsi)
        : ui_(ui),
          arquivo_(arquivo),
          tamanho_(info.tamanho),
          destino_(std::move(destino)),
          senha_(std::move(senhaAnsi)),
          proprio_(info) {}

    // False when the person aborted.
    bool processar(const EntradaZip& e, const std::string& mascara) {
        if ((!e.nome.empty() && e.nome.back() == '/') || (e.atributos & kAtributoPasta))
            return true;
        if (!entradaCasaMascara(mascara, e.nome))
            return true;
        const auto componente = componenteExtraivel(e.nome);
        if (!componente)
            return true;
        const fs::path alvo = fs::path(destino_) / *componente;
        return processarEntrada(
            ui_, [&] { extrair(e, alvo); }, [] {});
    }

  private:
    // Extracts one entry; returns normally also when the password prompt was
    // cancelled (the entry is then skipped).
    void extrair(const EntradaZip& e, const fs::path& alvo) {
        const std::string nomeAlvo = alvo.string();
        std::error_code ec;
        if (fs::is_directory(fs::symlink_status(alvo, ec)))
            throw erroZip(kFalhaCriarDestino, nomeAlvo);
        // Reading never changes the archive, not even by replacing it with an entry.
        if (const auto i = infoCaminho(alvo);
            i && i->dispositivo == proprio_.dispositivo && i->inode == proprio_.inode)
            throw erroZip(kFalhaCriarDestino, nomeAlvo);
        std::optional<Temporario> temp;
        try {
            temp.emplace(alvo.parent_path());
        } catch (const std::system_error&) {
            throw erroZip(kFalhaCriarDestino, nomeAlvo);
        }

        unsigned char h[kTamanhoLocal];
        if (!lerExato(e.offsetLocal, h, sizeof h) || le32(h) != kAssinaturaLocal)
            throw erroZip(kFalhaDados);
        const CabecalhoLocal local = lerCabecalhoLocal(h);
        DadosEntrada dados;
        dados.inicio = e.offsetLocal + kTamanhoLocal + local.tamanhoNome + local.tamanhoExtra;
        dados.tamanho = e.compactado;
        dados.metodo = e.metodo;
        dados.original = e.original;
        dados.crc = e.crc;
        if (dados.inicio > tamanho_ || dados.tamanho > tamanho_ - dados.inicio)
            throw erroZip(kFalhaDados);
        // Unsupported entries fail before any password is asked for: no password
        // would help them.
        if (e.metodo == kMetodoDeflate64)
            throw erroZip(kFalhaDeflate64);
        if ((e.metodo != kMetodoArmazenado && e.metodo != kMetodoDeflate) || (e.flags & 0x0040))
            throw erroZip(kFalhaDados);

        if (e.cifrada()) {
            if (dados.tamanho < kTamanhoCabecalhoCifra)
                throw erroZip(kFalhaDados);
            std::uint8_t cabecalho[kTamanhoCabecalhoCifra];
            if (!lerExato(dados.inicio, cabecalho, sizeof cabecalho))
                throw erroZip(kFalhaDados);
            auto cifra = abrirCifra(e, cabecalho);
            if (!cifra)
                return;  // Cancel: the entry is skipped and its target removed
            dados.cifra = std::move(cifra);
            dados.inicio += kTamanhoCabecalhoCifra;
            dados.tamanho -= kTamanhoCabecalhoCifra;
        }

        ArquivoNativo& saida = temp->arquivo();
        extrairDados(arquivo_, std::move(dados), saida);
        try {
            if (const auto instante = deHoraDos({e.hora, e.data}))
                saida.definirModificacao(*instante);
            if (saida.emUnidadeRemovivel())
                saida.sincronizar();
            if (e.atributos & kAtributoSomenteLeitura)
                saida.definirSomenteLeitura(true);
            temp->colocar(alvo);
        } catch (const std::system_error&) {  // filesystem_error included
            throw erroZip(kFalhaCriarDestino, nomeAlvo);
        }
    }

    bool lerExato(std::uint64_t offset, void* destino, std::size_t n) const {
        try {
            return arquivo_.lerEm(offset, destino, n) == n;
        } catch (const std::system_error&) {
            return false;
        }
    }

    // The keys past the entry's encryption header, asking for the password for
    // as long as its check byte fails; nothing on Cancel.
    std::optional<ZipCrypto> abrirCifra(const EntradaZip& e,
                                        const std::uint8_t (&cabecalho)[kTamanhoCabecalhoCifra]) {
        // With a data descriptor the CRC was not known when the header was made,
        // so the check byte comes from the time.
        const auto esperado =
            static_cast<std::uint8_t>((e.flags & kFlagDescritor) ? e.hora >> 8 : e.crc >> 24);
        for (;;) {
            if (!senha_.empty()) {
                ZipCrypto cifra(senha_);
                std::uint8_t copia[kTamanhoCabecalhoCifra];
                std::copy(std::begin(cabecalho), std::end(cabecalho), copia);
                cifra.decifrar(copia, sizeof copia);
                if (copia[11] == esperado)
                    return cifra;
            }
            const auto nova = perguntarSenha(ui_, e.nome);
            if (!nova)
                return std::nullopt;
            senha_ = utf8ParaAnsi(*nova);
        }
    }

    UiPort& ui_;
    const ArquivoNativo& arquivo_;
    std::uint64_t tamanho_;
    std::string destino_;
    std::string senha_;
    InfoArquivo proprio_;  // the archive itself
};

}  // namespace

void extrairArquivos(UiPort& ui, const std::string& arquivo, const std::string& destino,
                     const std::string& mascara, const std::string& senha) {
    std::lock_guard trava(travaArquivosZip());
    const auto z = abrirArquivoZip(arquivo);
    LeitorZip leitor(ui, z->arquivo, z->info, destino, utf8ParaAnsi(senha));
    EntradaZip e = z->primeira;
    for (bool tem = z->tem; tem; tem = z->fonte->proxima(e))
        if (!leitor.processar(e, mascara))
            return;
}

}  // namespace vaultkeep
