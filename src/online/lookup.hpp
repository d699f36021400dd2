#pragma once
// The lookup of the newest archive the backup server holds for this
// establishment, and the reading of its answer.

#include <string>
#include <string_view>

namespace vaultkeep {

inline constexpr const char* kMsgBuscandoInformacoes = "Buscando informações...";
inline constexpr const char* kMsgErroConsulta = "Erro ao obter arquivo de backup online.";

// What the server says about the newest archive. Missing and null members are
// empty texts.
struct BackupOnline {
    std::string link;              // where the download tool fetches the archive
    std::string data;              // "date", beginning with yyyy-mm-dd
    std::string originalFileName;  // the name the download is saved under
};

// The value of the lookup's single form field "filekey": an apostrophe, md5Hex of
// the name, an apostrophe.
std::string chaveConsulta(std::string_view nomeEstabelecimento);

// Reads the lookup's answer: after trimming blanks and control characters at both
// ends, the body must be a JSON object. "link", "date" and "originalFileName" are
// read as texts: a string is its value, a number its decimal text, a Boolean
// true or false, a missing member or null "". Throws std::runtime_error when the
// body is no JSON object (with the JSON reader's message when it is no JSON at
// all) or when one of the three is an object or an array.
BackupOnline lerRespostaConsulta(std::string_view corpo);

// Posts the "filekey" form for `nomeEstabelecimento` to `urlGetLink`, with
// `chaveServidor` as the Basic password, offering every TLS version up to 1.2,
// and reads the answer. Throws std::runtime_error with the message that follows
// "Erro ao obter arquivo de backup online." in the status text: the status line
// of an error status, the connection's or the TLS layer's error, the JSON
// reader's message, ...
BackupOnline consultarBackupOnline();

// The date shown to the user: characters 9-10, "/", 6-7, "/", 1-4 of the
// server's date (counting from 1); characters past the end give empty pieces, so
// "2025-02-04 14:30:00" gives "04/02/2025" and "" gives "//".
std::string formatarDataServidor(std::string_view data);

}  // namespace vaultkeep
