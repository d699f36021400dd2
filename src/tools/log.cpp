#include "tools/log.hpp"

#include <mutex>

#include "common/clock.hpp"
#include "common/codepage.hpp"
#include "common/paths.hpp"
#include "tools/anexar_arquivo.hpp"

namespace vaultkeep {
namespace {

constexpr std::string_view kFimDeLinha = "\r\n";

void anexarLinha(std::string& destino, std::string_view linhaUtf8) {
    destino += utf8ParaAnsi(linhaUtf8);
    destino += kFimDeLinha;
}

std::mutex& travaLog() {
    static std::mutex m;
    return m;
}

}  // namespace

std::string montarEntradaLog(const std::tm& quando, std::string_view titulo,
                             std::string_view mensagem) {
    std::string bytes;
    anexarLinha(bytes, "Data: " + dataCurta(quando) + " " + horaLonga(quando));
    std::string segunda(titulo);
    segunda += ' ';
    segunda += mensagem;
    anexarLinha(bytes, segunda);
    anexarLinha(bytes, kSeparadorLog);
    return bytes;
}

void gravarLog(const std::filesystem::path& arquivo, const std::string& titulo,
               const std::string& mensagem) {
    std::lock_guard trava(travaLog());
    anexarInteiro(arquivo, montarEntradaLog(horaLocal(), titulo, mensagem));
}

std::filesystem::path arquivoLog() {
    return pastaPrograma() / "log.txt";
}

void ApplicationEvents1Exception(UiPort& ui, const std::string& mensagemDoErro) noexcept {
    try {
        ui.pararAnimacao();
    } catch (...) {
    }
    try {
        gravarLog(arquivoLog(), "Informação", horaLonga(horaLocal()) + mensagemDoErro);
    } catch (...) {
        // Nowhere left to report it: the log was the place.
    }
}

}  // namespace vaultkeep
