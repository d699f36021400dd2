#pragma once
// The settings store: the five user settings kept in the registry key
// HKEY_CURRENT_USER\SOFTWARE\VAULTKEEP, the seven run-time variables that every
// operation reads, the completeness check, and the validation and writes of a
// save. The window and the CLI both save through `salvarConfiguracoes`.

#include <string>
#include <string_view>

namespace vaultkeep {

// Registry value names.
inline constexpr const char* kValorEstabelecimento = "ESTABELECIMENTO";
inline constexpr const char* kValorUrlUpload = "URL_UPLOAD";
inline constexpr const char* kValorUrlGetLink = "URL_GETLINK";
inline constexpr const char* kValorArquivoBase = "ARQUIVO_BASE_PADRAO";
inline constexpr const char* kValorPastaSalvamento = "PASTA_PARA_SALVAMENTO";

// The server base URL shown when none is stored.
inline constexpr const char* kUrlServidorPadrao = "https://backup.vaultkeep.com.br/palisade/api/";

// The run-time settings, empty at start-up. They are written only by
// `carregarConfiguracoesDeVariaveis`, while no operation runs; the operations
// only read them.
extern std::string nomeEstabelecimento;
extern std::string urlUpload;
extern std::string urlGetLink;
extern std::string chaveServidor;
extern std::string senhaZip;
extern std::string arquivoBase;
extern std::string pastaBackup;

// What `encriptarstr` gives for the built-in secret; the secret itself is not
// kept in the program.
inline constexpr const char* kCifradoEmbutido = "OHvEhhYdaIMtcY7MRy9epw==";

// The built-in secret: the built-in ciphertext decrypted and trimmed. It is both
// the server key and the archive password.
std::string segredoEmbutido();

// Loads the run-time variables from the registry, in the order of the variables
// above (the secret is decrypted once for each of its two variables). A value of
// another registry type throws std::runtime_error "Invalid data type for '%s'".
void carregarConfiguracoesDeVariaveis();

// True exactly when ESTABELECIMENTO, URL_UPLOAD, ARQUIVO_BASE_PADRAO,
// PASTA_PARA_SALVAMENTO and URL_GETLINK are all non-empty (read in that order,
// stopping at the first empty one). Any error gives false.
bool VerificarSeConfiguracoesForamPreenchidas();

// The texts of the configuration screen's four fields.
struct CamposConfiguracao {
    std::string nomeBackupOnline;  // edNomeBackupOnline
    std::string urlServidor;       // edURLServidor
    std::string arquivoFirebird;   // edArquivoFirebirdParaBackup
    std::string pastaPadrao;       // pastaPadraoSalvarBackup
};

// The field texts as the configuration screen loads them: the stored values, with
// the server URL shown by `textoUrlServidor`. Throws like the loader above.
CamposConfiguracao carregarConfiguracoes();

// The server URL text of the configuration screen: the stored URL_UPLOAD with
// every "/upload" removed (case-insensitive), or the default base URL when
// nothing remains.
std::string textoUrlServidor(std::string_view urlUploadArmazenada);

// Validates the four texts in order and returns the first failure's message, or
// "" when they are valid.
std::string validarConfiguracoes(const CamposConfiguracao& campos);

// Validates and, when valid, writes ESTABELECIMENTO, URL_UPLOAD, URL_GETLINK (the
// URL text followed by "/show"), ARQUIVO_BASE_PADRAO and PASTA_PARA_SALVAMENTO,
// exactly as typed. Returns the validation message ("" when written); nothing is
// written on a validation failure. A failed write throws std::runtime_error
// "Failed to set data for '%s'" (the values before it stay written).
std::string salvarConfiguracoes(const CamposConfiguracao& campos);

}  // namespace vaultkeep
