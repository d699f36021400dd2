#pragma once
// The archive module's own errors and entry failures.
//
// Every such error has an English text and a code; what() is the text, then
// " - Native error: ", then the code as five digits ("... - Native error: 00035").
// Errors that carry no code (an archive file that cannot be created or opened)
// are plain std::runtime_error with their text.

#include <stdexcept>
#include <string>

namespace vaultkeep {

// Codes of the entry failures (they open the failure prompt and never reach the
// caller) and of the errors that do reach the caller.
enum CodigoZip : int {
    kFalhaDados = 8,          // reading: data does not inflate, CRC or size differs, unknown method
    kFalhaCriarDestino = 19,  // reading: the target file cannot be created
    kFalhaAbrirOrigem = 33,   // writing: a matching file cannot be opened or read
    kArquivoInvalido = 35,    // reading: neither an end record nor a local header
    kFimZip64Ausente = 40,    // reading: announced 64-bit end record missing
    kFalhaZip64 = 43,         // writing: the entry does not fit without the 64-bit extensions
    kFalhaDeflate64 = 55,     // reading: method 9
    kFalhaNomeLongo = 61,     // writing: path or stored name too long
    kFalhaDiscoCheio = 65,    // a write fails
};

class ErroZip : public std::runtime_error {
  public:
    ErroZip(int codigo, const std::string& texto);

    int codigo() const noexcept { return codigo_; }
    // The text without the code suffix.
    const std::string& texto() const noexcept { return texto_; }

  private:
    int codigo_;
    std::string texto_;
};

// The error of the given code, its placeholder (if any) filled with `caminho`.
ErroZip erroZip(int codigo, const std::string& caminho = {});

// "Cannot create file "%s". %s" and "Cannot open file "%s". %s" with the
// system's text for `errno` value `numeroErro`.
std::runtime_error erroCriarArquivo(const std::string& caminho, int numeroErro);
std::runtime_error erroAbrirArquivo(const std::string& caminho, int numeroErro);

}  // namespace vaultkeep
