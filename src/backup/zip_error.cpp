#include "backup/zip_error.hpp"

#include <cstdio>
#include <system_error>

namespace vaultkeep {
namespace {

std::string comCodigo(const std::string& texto, int codigo) {
    char sufixo[32];
    std::snprintf(sufixo, sizeof sufixo, " - Native error: %05d", codigo);
    return texto + sufixo;
}

std::string textoDoCodigo(int codigo, const std::string& caminho) {
    switch (codigo) {
        case kFalhaDados:
            return "Invalid size or check sum of file or unsupported compression format";
        case kFalhaCriarDestino:
            return "Cannot create file \"" + caminho + "\"";
        case kFalhaAbrirOrigem:
            return "Cannot open file \"" + caminho + "\"";
        case kArquivoInvalido:
            return "Invalid archive file.";
        case kFimZip64Ausente:
            return "Cannot find 64-bit directory end record";
        case kFalhaZip64:
            return "Cannot compress file '" + caminho + "'. Zip64 mode is not enabled";
        case kFalhaDeflate64:
            return "Deflate64 compression method is not supported";
        case kFalhaNomeLongo:
            return "File name is too long: \r\n\"" + caminho + "\"";
        case kFalhaDiscoCheio:
            return "Disk is full. There is not enough free space on disk.";
        default:
            return "Archive error";
    }
}

}  // namespace

ErroZip::ErroZip(int codigo, const std::string& texto)
    : std::runtime_error(comCodigo(texto, codigo)), codigo_(codigo), texto_(texto) {}

ErroZip erroZip(int codigo, const std::string& caminho) {
    return ErroZip(codigo, textoDoCodigo(codigo, caminho));
}

std::runtime_error erroCriarArquivo(const std::string& caminho, int numeroErro) {
    return std::runtime_error("Cannot create file \"" + caminho + "\". " +
                              std::system_category().message(numeroErro));
}

std::runtime_error erroAbrirArquivo(const std::string& caminho, int numeroErro) {
    return std::runtime_error("Cannot open file \"" + caminho + "\". " +
                              std::system_category().message(numeroErro));
}

}  // namespace vaultkeep
