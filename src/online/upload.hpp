#pragma once
// The upload of a finished archive to the establishment's backup server.

#include <string>

#include "ui/ui_port.hpp"

namespace vaultkeep {

inline constexpr const char* kMsgSalvandoOnline = "Salvando cópia online...";
inline constexpr const char* kMsgEnviadoComSucesso = "Arquivo enviado com sucesso!";
inline constexpr const char* kMsgErroEnvio =
    "Erro ao enviar backup para o servidor, contate o suporte. ";

// The text the server's answer holds when it refused the upload.
inline constexpr const char* kRespostaRecusada = "\"status\": true";

// Posts `arquivo` (full path) with the establishment's name to `urlUpload` as the
// form "user" + "sendimage", over TLS 1.2 only, authenticated with
// `chaveServidor`. True when the server took it: status text "Arquivo enviado com
// sucesso!" and the loading animation stopped and hidden. False when it answered
// "\"status\": true" (status text "Erro ao enviar backup para o servidor, contate
// o suporte. ") or when anything failed (that text followed by the error's
// message); both show the error picture. Nothing is thrown.
bool enviarCopiaOnline(UiPort& ui, const std::string& arquivo);

}  // namespace vaultkeep
