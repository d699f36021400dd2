#include "tools/integridade.hpp"

#include <array>
#include <exception>
#include <filesystem>
#include <string_view>

#include "common/clock.hpp"
#include "common/paths.hpp"
#include "common/text.hpp"
#include "tools/log.hpp"
#include "tools/processos.hpp"
#include "ui/status.hpp"

namespace vaultkeep {
namespace {

namespace fs = std::filesystem;

constexpr const char* kTextoServidor = "O servidor do firebird não está em execução.";
constexpr const char* kTextoBanco = "O arquivo de banco de dados não existe.";
constexpr const char* kTextoFerramenta =
    "O arquivo de teste de integridade não existe. (gfix.exe/fbclient.dll)";
constexpr const char* kTextoEmUso =
    "O banco de dados está em uso. Feche o sistema em todos os computadores e tente novamente.";
constexpr const char* kTextoCorrompido = "O banco de dados é inválido ou está corrompido.";
constexpr const char* kTextoErro = "Erro ao realizar o teste de integridade.";
constexpr const char* kTextoSucesso = "Teste de integridade finalizado com sucesso.";

// What gfix prints when it cannot have the file because the server (another
// engine instance) holds it, or when the server will not validate for a second
// attachment.
constexpr std::array<std::string_view, 3> kSinaisEmUso = {
    "I/O error during \"lock\" operation",
    "Database already opened with engine instance",
    "secondary server attachments cannot validate databases",
};

constexpr std::array<std::string_view, 4> kFrasesCorrupcao = {
    "database file appears corrupt",
    "I/O error",
    "unavailable database",
    "is not a valid database",
};

bool contemAlguma(std::string_view texto, const auto& frases) {
    for (std::string_view f : frases)
        if (contem(texto, f))
            return true;
    return false;
}

// A validation summary line such as "\tNumber of record level errors\t: 7304".
bool linhaContaErros(std::string_view linha) {
    const std::string l = aparar(linha);
    if (!l.starts_with("Number of "))
        return false;
    const auto doisPontos = l.find(':');
    if (doisPontos == std::string::npos)
        return false;
    const std::string rotulo = aparar(std::string_view(l).substr(0, doisPontos));
    if (!rotulo.ends_with(" errors"))
        return false;
    const std::string valor = aparar(std::string_view(l).substr(doisPontos + 1));
    if (valor.empty() || valor.find_first_not_of("0123456789") != std::string::npos)
        return false;
    return valor.find_first_not_of('0') != std::string::npos;
}

bool resumoComErros(std::string_view saida) {
    std::size_t inicio = 0;
    while (inicio < saida.size()) {
        auto fim = saida.find('\n', inicio);
        if (fim == std::string_view::npos)
            fim = saida.size();
        if (linhaContaErros(saida.substr(inicio, fim - inicio)))
            return true;
        inicio = fim + 1;
    }
    return false;
}

bool falhar(UiPort& ui, const char* texto) noexcept {
    try {
        definirMensagemStatus(texto);
        ui.loadOrErro(true);
    } catch (...) {
    }
    return false;
}

bool testar(UiPort& ui, const std::string& caminhoBanco) {
    if (!processoEmExecucao("fbserver") && !processoEmExecucao("firebird"))
        return falhar(ui, kTextoServidor);
    std::error_code ec;
    if (caminhoBanco.empty() || !fs::is_regular_file(caminhoBanco, ec))
        return falhar(ui, kTextoBanco);
    const fs::path gfix = localizarPrograma("gfix");
    if (gfix.empty() || !bibliotecaDisponivel("libfbclient.so.2"))
        return falhar(ui, kTextoFerramenta);

    // An absolute path: a relative one would be taken from "/" and one starting
    // with "-" as an option.
    const std::string banco = fs::absolute(caminhoBanco).string();
    ResultadoComando execucao;
    std::exception_ptr erro;
    try {
        execucao = executarComandoDetalhado(
            {gfix.string(), "-v", "-full", banco, "-user", kUsuarioGfix, "-pass", kSenhaGfix}, "/");
        gravarLog(arquivoLog(), "Resultado", horaLonga(horaLocal()) + execucao.saida);
    } catch (...) {
        erro = std::current_exception();
    }
    // The verdict on what was captured stands only when nothing went wrong on the
    // way; otherwise the error has the last word.
    const VereditoGfix veredito = classificarSaidaGfix(execucao);
    if (erro)
        return falhar(ui, kTextoErro);
    switch (veredito) {
        case VereditoGfix::EmUso:
            return falhar(ui, kTextoEmUso);
        case VereditoGfix::Corrompido:
            return falhar(ui, kTextoCorrompido);
        case VereditoGfix::Falhou:
            return falhar(ui, kTextoErro);
        case VereditoGfix::Integro:
            break;
    }
    definirMensagemStatus(kTextoSucesso);
    return true;
}

}  // namespace

VereditoGfix classificarSaidaGfix(const ResultadoComando& execucao) {
    const std::string_view saida = execucao.saida;
    if (contemAlguma(saida, kSinaisEmUso))
        return VereditoGfix::EmUso;
    if (contemAlguma(saida, kFrasesCorrupcao) || resumoComErros(saida))
        return VereditoGfix::Corrompido;
    if (!execucao.iniciado || execucao.codigo != 0)
        return VereditoGfix::Falhou;
    return VereditoGfix::Integro;
}

bool testarIntegridade(UiPort& ui, const std::string& caminhoBanco) {
    try {
        return testar(ui, caminhoBanco);
    } catch (...) {
        return falhar(ui, kTextoErro);
    }
}

}  // namespace vaultkeep
