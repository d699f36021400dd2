#pragma once
// The status texts of the restore and of the database swap.

namespace vaultkeep {

inline constexpr const char* kMsgSelecioneArquivo = "Selecione o arquivo para ser restaurado.";
inline constexpr const char* kMsgDescompactando = "Descompactando...";
inline constexpr const char* kMsgErroDescompactar = "Erro ao descompactar arquivo!";
inline constexpr const char* kMsgArquivoNaoExiste = "Erro na restauração: Arquivo não existe";
inline constexpr const char* kMsgRestauracaoConcluida = "Restauração concluída com sucesso!";
inline constexpr const char* kMsgOperacaoCancelada = "Operação cancelada";
inline constexpr const char* kMsgConfigurePastaBase =
    "Erro, configure a pasta do arquivo de base firebird";
// Prefix of an unexpected error's message.
inline constexpr const char* kPrefixoErroRestauracao = "Erro na restauração: ";

// The swap.
inline constexpr const char* kMsgFecheOSistema =
    "Por favor feche o sistema em todos os computadores. Após o término da restauração poderá "
    "abrir.";
inline constexpr const char* kMsgBaseAnteriorRestaurada =
    "Falha na restauração, a base anterior foi restaurada!";
inline constexpr const char* kMsgCaminhoNaoEArquivo =
    "Erro na restauração: o caminho do banco de dados não é um arquivo.";
// Followed by the program's name and kMsgEmUsoFim.
inline constexpr const char* kMsgEmUsoInicio = "O banco de dados está em uso pelo programa ";
inline constexpr const char* kMsgEmUsoFim =
    ". Feche o sistema em todos os computadores e tente novamente.";

// The names the swap leaves beside the database.
inline constexpr const char* kRadicalBaseAntiga = "BASE_ANTIGA_";
inline constexpr const char* kExtensaoBaseAntiga = ".FDB";
inline constexpr const char* kRadicalBaseCorrompida = "baseCorrompida";
inline constexpr const char* kExtensaoBaseCorrompida = ".falha";

}  // namespace vaultkeep
