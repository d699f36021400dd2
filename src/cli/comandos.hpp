#pragma once
// The commands of vaultkeep-cli, each a thin layer over the core. Every one
// returns its operation's result; the status texts reach the person through the
// status channel, the questions through `ui`. Errors the core lets through
// (a registry value of the wrong type, a failed write, an archive that cannot be
// created) are not caught here.

#include <cstdio>
#include <optional>
#include <string>

#include "settings/settings.hpp"
#include "ui/ui_port.hpp"

namespace vaultkeep::cli {

// What backup and restore say when the five settings are not all saved, the
// window's text for its disabled tiles.
inline constexpr const char* kMsgConfiguracoesIncompletas =
    "Complete as configurações para poder usar essa função.";

// Writes the five stored settings to `saida`, one "NAME=value" per line in the
// registry's names and order.
bool mostrarConfiguracoes(std::FILE* saida);

// The window's "Salvar": the four fields validated in order and written when
// valid. A relative path is made absolute against the current folder first (a
// later run may start anywhere). A validation failure becomes the status text,
// writes nothing and gives false.
bool salvarConfiguracoesDaLinha(CamposConfiguracao campos);

// Backup and restore run only while no other vaultkeep-cli backup or restore
// runs on this work root (else kMsgOperacaoEmAndamento and false).

// Loads the run-time settings and, when they are complete, backs `arquivoBase`
// up into `destino` (none: the saved folder), online when asked; old archives of
// the saved folder go once the new archive is in place.
bool fazerBackup(UiPort& ui, const std::optional<std::string>& destino, bool online);

// Loads the run-time settings and, when they are complete, restores from the
// local archive `arquivo` (which must name an existing file, else "Selecione o
// arquivo para ser restaurado." and no restore) or, with no archive, from the server.
bool restaurar(UiPort& ui, const std::optional<std::string>& arquivo);

// The integrity test of `arquivo`, or of the saved database file.
bool verificar(UiPort& ui, const std::optional<std::string>& arquivo);

}  // namespace vaultkeep::cli
