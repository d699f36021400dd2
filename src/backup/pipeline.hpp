#pragma once
// The backup pipeline: checks the database, copies it into a fresh work folder,
// packs the copy into a password-protected archive there, copies the archive to
// the destination folder and, when asked, uploads it.

#include <functional>
#include <string>

#include "ui/ui_port.hpp"

namespace vaultkeep {

// What the backup and the online restore say when the connectivity check fails.
inline constexpr const char* kMsgSemConexao =
    "Não foi possivel enviar o backup para o servidor, sem conexão com a internet!";

// Runs one backup of `arquivo` into the folder `destino`, with an online copy when
// `online` is set. Reports through the status text and `ui`; true when the backup
// reached its end (for an online copy, when the upload succeeded).
//
// `aoChegarAoDestino`, when given, runs once the new archive has safely reached
// the destination folder (the callers remove old archives there, so a failed
// backup never costs the folder its last good archive).
//
// Errors the pipeline does not handle itself (the archive cannot be created, a
// failed file operation of the work folder) reach the caller; the work folder is
// then left for the next backup or restore to remove.
bool realizarBackup(UiPort& ui, const std::string& arquivo, const std::string& destino, bool online,
                    const std::function<void()>& aoChegarAoDestino = {});

}  // namespace vaultkeep
