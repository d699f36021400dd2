#pragma once
// The multipart form of the server requests (upload and lookup), streamed.
//
// Body layout, every line ended by CR LF: for each field "--" and the boundary,
// the Content-Disposition line (with "; filename=..." for a file), Content-Type,
// Content-Transfer-Encoding, an empty line, the encoded content and CR LF; after
// the last field "--", the boundary, "--" and CR LF.
//
// The body is never assembled in memory: text fields are kept encoded, file
// fields are read from disk while the body is being sent. The total length is
// known before the first byte goes out, and the form can be read again from the
// start (a redirect sends it again).

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "common/clock.hpp"

namespace vaultkeep {

// "--------" followed by the local date and time as mmddyyhhnnsszzz (month, day,
// year of the century, hour 00-23, minute, second, milliseconds): 23 characters.
std::string fronteiraFormulario(Relogio::time_point instante = Relogio::now());

// The content type of every file field.
inline constexpr const char* kTipoArquivoZip = "application/x-zip-compressed";

class FormularioMultipart {
  public:
    // A form whose boundary comes from the current local time.
    FormularioMultipart();
    explicit FormularioMultipart(std::string fronteira);

    FormularioMultipart(FormularioMultipart&&) noexcept;
    FormularioMultipart& operator=(FormularioMultipart&&) noexcept;
    FormularioMultipart(const FormularioMultipart&) = delete;
    FormularioMultipart& operator=(const FormularioMultipart&) = delete;
    ~FormularioMultipart();

    // A text field: "text/plain", the value (UTF-8) turned into ISO-8859-1 ("?"
    // above U+00FF) and encoded quoted-printable.
    void adicionarTexto(std::string_view nome, std::string_view valor);

    // A file field: application/x-zip-compressed, binary, the file's name without
    // its folder. The file is opened and measured now and stays open until the
    // form is destroyed; a file that cannot be opened, or is no regular file,
    // throws std::runtime_error.
    void adicionarArquivo(std::string_view nome, const std::filesystem::path& arquivo);

    const std::string& fronteira() const { return fronteira_; }
    // "multipart/form-data; boundary=" and the boundary, unquoted.
    std::string tipoConteudo() const;
    // Total length of the body in bytes.
    std::uint64_t tamanho() const;

    // Back to the first byte of the body.
    void rebobinar();
    // Copies the next bytes of the body; 0 at its end. A file that became shorter
    // than it was when it was added, or cannot be read, throws std::runtime_error:
    // the length already announced could not be kept.
    std::size_t ler(char* destino, std::size_t maximo);

  private:
    struct Trecho {
        std::string texto;                 // fixed bytes, or
        int descritor = -1;                // an open file of
        std::uint64_t tamanhoArquivo = 0;  // this many bytes
        std::string caminho;               // for messages
        std::uint64_t tamanho() const { return descritor >= 0 ? tamanhoArquivo : texto.size(); }
    };

    void adicionarTrecho(std::string texto);
    void fecharArquivos() noexcept;

    std::string fronteira_;
    std::vector<Trecho> trechos_;  // the fields; the closing line follows them
    std::string fechamento_;
    std::size_t indice_ = 0;          // current piece (trechos_.size() = the closing line)
    std::uint64_t deslocamento_ = 0;  // position inside it
};

}  // namespace vaultkeep
