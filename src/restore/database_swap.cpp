// The database swap (aplicarRestauracao; its contract is in restauracao.hpp).

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "common/clock.hpp"
#include "common/files.hpp"
#include "restore/live_file.hpp"
#include "restore/messages.hpp"
#include "restore/restauracao.hpp"
#include "restore/unique_names.hpp"
#include "tools/comando.hpp"
#include "tools/integridade.hpp"
#include "tools/processos.hpp"
#include "ui/status.hpp"

namespace vaultkeep {
namespace fs = std::filesystem;

namespace {

// The establishment's point-of-sale programs, stopped in this order.
const char* const kProgramasDoSistema[] = {
    "Ledgerdesk.exe",       "tillpoint.exe", "Server_Tillpoint.exe",
    "Config_Tillpoint.exe", "Dashpanel.exe",
};

bool falhar(const std::string& texto) {
    definirMensagemStatus(texto);
    return false;
}

std::string motivo(const std::system_error& e) {
    return e.code().message();
}

enum class EstadoBase { Ausente, Arquivo };

// Whether there is a database file to keep. Anything at the path that is not a
// regular file (a folder, a dangling link) is not ours to move.
std::optional<EstadoBase> examinarBase(const fs::path& base, std::string& erro) {
    struct stat st {};
    if (::lstat(base.c_str(), &st) != 0) {
        if (errno == ENOENT)
            return EstadoBase::Ausente;
        erro = std::strerror(errno);
        return std::nullopt;
    }
    if (::stat(base.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        erro.clear();
        return std::nullopt;
    }
    return EstadoBase::Arquivo;
}

// Step 8: the rejected copy goes aside and the kept file back.
bool desfazer(const fs::path& base, const std::optional<fs::path>& guardada) {
    const fs::path pasta = base.parent_path();
    fs::path rejeitada;
    try {
        rejeitada =
            moverParaNomeLivre(base, pasta, kRadicalBaseCorrompida, kExtensaoBaseCorrompida);
    } catch (const std::system_error& e) {
        if (!guardada)
            return falhar(
                "Falha na restauração, a nova base não passou no teste de integridade e "
                "continua em " +
                base.string() + " (" + motivo(e) + ").");
        return falhar(
            "Falha na restauração, a nova base não passou no teste de integridade e não pôde ser "
            "afastada (" +
            motivo(e) + "). A base anterior está em " + guardada->string() + ".");
    }
    if (!guardada)
        return falhar(
            "Falha na restauração, a nova base não passou no teste de integridade e foi guardada "
            "como " +
            rejeitada.string() + ".");
    try {
        moverSemSubstituir(*guardada, base);
    } catch (const std::system_error& e) {
        return falhar(
            "Falha na restauração, a nova base não passou no teste de integridade e foi "
            "guardada como " +
            rejeitada.string() + ", mas a base anterior não pôde voltar ao lugar (" + motivo(e) +
            "). A base anterior está em " + guardada->string() + ".");
    }
    return falhar(kMsgBaseAnteriorRestaurada);
}

bool trocarBanco(UiPort& ui, const fs::path& novo, const fs::path& base) {
    const fs::path pasta = base.parent_path();
    std::error_code ec;
    if (base.filename().empty() || !fs::is_directory(pasta, ec))
        return falhar(kMsgConfigurePastaBase);

    for (const char* programa : kProgramasDoSistema)
        finalizarProcesso(programa);

    const std::string radicalGuardada = radicalBaseAntiga(horaLocal());
    if (!testarIntegridade(ui, novo.string()))
        return false;

    ui.aviso(kTituloAplicacao, kMsgFecheOSistema);

    // From here on the database folder changes; every step below either
    // completes or is undone.
    std::string erro;
    const auto estado = examinarBase(base, erro);
    if (!estado)
        return falhar(erro.empty() ? std::string(kMsgCaminhoNaoEArquivo)
                                   : "Erro na restauração: não foi possível ler o banco de dados "
                                     "atual (" +
                                         erro + ").");
    std::optional<fs::path> guardada;
    if (*estado == EstadoBase::Arquivo) {
        if (const auto programa = programaComArquivoAberto(base))
            return falhar(kMsgEmUsoInicio + *programa + kMsgEmUsoFim);
        try {
            guardada = moverParaNomeLivre(base, pasta, radicalGuardada, kExtensaoBaseAntiga);
        } catch (const std::system_error& e) {
            return falhar("Falha na restauração, não foi possível renomear a base atual (" +
                          motivo(e) + "). Nenhum arquivo foi alterado.");
        }
    }

    try {
        copiarArquivoSeguro(novo, base, false);
    } catch (const std::system_error& e) {
        const std::string causa = motivo(e);
        if (!guardada)
            return falhar("Falha na restauração, não foi possível copiar a nova base (" + causa +
                          "). Nenhum arquivo foi alterado.");
        try {
            moverSemSubstituir(*guardada, base);
        } catch (const std::system_error& e2) {
            return falhar("Falha na restauração, não foi possível copiar a nova base (" + causa +
                          ") nem devolver a base anterior ao lugar (" + motivo(e2) +
                          "). A base anterior está em " + guardada->string() + ".");
        }
        return falhar("Falha na restauração, não foi possível copiar a nova base (" + causa +
                      "). A base anterior foi restaurada!");
    }
    if (guardada)
        herdarDonoEPermissoes(*guardada, base);

    if (testarIntegridade(ui, base.string()))
        return true;
    return desfazer(base, guardada);
}

}  // namespace

bool aplicarRestauracao(UiPort& ui, const std::string& novo, const std::string& base) {
    try {
        std::error_code ec;
        fs::path alvo = base.empty() ? fs::path() : fs::absolute(base, ec);
        if (ec)
            alvo = base;
        return trocarBanco(ui, novo, alvo);
    } catch (const std::exception& e) {
        return falhar(kPrefixoErroRestauracao + std::string(e.what()));
    } catch (...) {
        return falhar(std::string(kPrefixoErroRestauracao) + "erro inesperado.");
    }
}

}  // namespace vaultkeep
