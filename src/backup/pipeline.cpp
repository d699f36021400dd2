#include "backup/pipeline.hpp"

#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <system_error>

#include "backup/archive_listing.hpp"
#include "backup/work_folder.hpp"
#include "backup/zip_archive.hpp"
#include "common/clock.hpp"
#include "common/files.hpp"
#include "common/paths.hpp"
#include "online/upload.hpp"
#include "settings/settings.hpp"
#include "tools/arquivos.hpp"
#include "tools/conexao.hpp"
#include "tools/integridade.hpp"
#include "ui/status.hpp"

namespace vaultkeep {
namespace fs = std::filesystem;

namespace {

bool falhar(UiPort& ui, const std::string& texto) {
    definirMensagemStatus(texto);
    ui.loadOrErro(true);
    return false;
}

// Size and modification time, to tell whether a file changed while it was read.
struct Marca {
    off_t tamanho = -1;
    timespec modificado{};
    bool operator==(const Marca& o) const {
        return tamanho == o.tamanho && modificado.tv_sec == o.modificado.tv_sec &&
               modificado.tv_nsec == o.modificado.tv_nsec;
    }
};

std::optional<Marca> marcar(const fs::path& p) {
    struct stat st {};
    if (::stat(p.c_str(), &st) != 0)
        return std::nullopt;
    return Marca{st.st_size, st.st_mtim};
}

bool arquivoExiste(const std::string& p) {
    std::error_code ec;
    return !p.empty() && fs::exists(p, ec) && !fs::is_directory(p, ec);
}

void removerRaiz() {
    std::error_code ec;
    if (fs::exists(raizTrabalho(), ec))
        excluirPasta(raizTrabalho().string());
}

}  // namespace

bool realizarBackup(UiPort& ui, const std::string& arquivo, const std::string& destino, bool online,
                    const std::function<void()>& aoChegarAoDestino) {
    std::error_code ec;
    if (nomeEstabelecimento.empty())
        return falhar(ui, "Erro, configure o nome do estabelecimento");
    if (destino.empty() || !fs::is_directory(destino, ec))
        return falhar(ui, "Pasta de destino do backup não existe!");
    if (!arquivoExiste(arquivo))
        return falhar(ui, "Arquivo de banco de dados não existe!");
    if (!testarIntegridade(ui, arquivo))
        return false;

    removerRaiz();
    definirMensagemStatus("Iniciando...");
    const fs::path trabalho = pastaTrabalho(horaLocal());
    fs::create_directories(trabalho);

    // The copy is the only read of the live file. A copy taken while the file was
    // being written may be torn, so the file must look the same before and after.
    const fs::path origem = arquivo;
    const fs::path copia = trabalho / origem.filename();
    const auto antes = marcar(origem);
    bool copiou = true;
    try {
        copiarArquivoSeguro(origem, copia, true);
    } catch (const std::system_error&) {
        copiou = false;
    }
    const auto depois = marcar(origem);
    if (!copiou || !antes) {
        removerRaiz();
        return falhar(ui, "Erro ao copiar o arquivo de banco de dados para a pasta de trabalho.");
    }
    if (!depois || !(*antes == *depois)) {
        removerRaiz();
        return falhar(ui,
                      "O banco de dados foi alterado durante a cópia. Feche o sistema em todos os "
                      "computadores e tente novamente.");
    }

    definirMensagemStatus("Compactando arquivo...");
    const std::string nome = nomeArquivoBackup(horaLocal());
    const fs::path archive = trabalho / nome;
    compactarArquivos(ui, archive.string(), trabalho.string(), "*.FDB", senhaZip);
    // The work folder holds nothing but the copy, so an archive with no entry is an
    // archive without the database (a name that is not "*.FDB", an entry the person
    // skipped or aborted at the failure prompt).
    if (listarEntradasZip(archive.string()).empty()) {
        removerRaiz();
        return falhar(ui,
                      "Erro ao compactar o banco de dados: o arquivo de backup ficou sem o banco.");
    }

    const fs::path alvo = fs::path(destino) / nome;
    try {
        copiarArquivoSeguro(archive, alvo, true);
    } catch (const std::system_error&) {
        removerRaiz();
        return falhar(ui, "Erro ao copiar o arquivo de backup para a pasta de destino.");
    }
    if (aoChegarAoDestino)
        aoChegarAoDestino();

    definirMensagemStatus("Backup concluído com sucesso!");
    bool resultado = true;
    if (online) {
        if (!testarConexao()) {
            resultado = falhar(ui, kMsgSemConexao);
        } else {
            resultado = enviarCopiaOnline(ui, archive.string());
        }
    }
    removerRaiz();
    return resultado;
}

}  // namespace vaultkeep
