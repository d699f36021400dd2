#pragma once
// The restore: puts the database held in a backup archive in place of the live
// database file, from a local archive or from the newest archive on the server.

#include <string>

#include "ui/ui_port.hpp"

namespace vaultkeep {

// `origem` is "local" (with `arquivo` the archive's full path) or "online" (with
// `arquivo` empty), compared exactly; any other text runs nothing and gives
// false. Reads `arquivoBase` and `senhaZip` (the online source also the server
// settings) as last loaded. Reports through the status text and `ui`; true only
// when the new database is in place and passed the check. Raises nothing.
//
// Local: an `arquivo` that names no regular file ends at once with "Selecione o
// arquivo para ser restaurado." and nothing created. Otherwise the work root is
// emptied, a fresh work folder made, the archive's "*.FDB" entries extracted into
// it under `senhaZip` ("Descompactando...", or "Erro ao descompactar arquivo!"
// when the archive cannot be read, the work folder then left for the next
// operation to remove), the database file handed to the swap, and the work root
// removed.
//
// Online: the connectivity check, the download tool, the database folder, the
// lookup, the download into a fresh work folder (the link, "-O" and the target
// as separate arguments of wget), then the question through ui.confirmar; after
// Yes the archive is extracted and swapped in as above. A download that left
// nothing (no file, or an empty one) ends with "Erro na restauração: Arquivo não
// existe". The work folder stays with the archive and the extracted file.
//
// Both end the same way: no database file among the extracted files gives
// "Erro na restauração: Arquivo não existe"; a swap that succeeds gives
// "Restauração concluída com sucesso!"; a failed swap leaves its own text.
// An unexpected error on the way gives "Erro na restauração: " and its message.
bool restaurarBackup(UiPort& ui, const std::string& origem, const std::string& arquivo);

// Swaps the database file `base` for the file `novo`, never losing either:
//
//  1. the point-of-sale programs (Ledgerdesk, tillpoint, Server_Tillpoint,
//     Config_Tillpoint, Dashpanel) are stopped, in that order; a missing folder
//     of `base` stops everything before that ("Erro, configure a pasta do
//     arquivo de base firebird");
//  2. `novo` is checked with testarIntegridade; a failure ends the swap with the
//     check's text and nothing touched;
//  3. the notice "Por favor feche o sistema em todos os computadores. Após o
//     término da restauração poderá abrir." (caption "Vaultkeep") is shown;
//  4. while another process holds `base` open (the Firebird server for a
//     connection of any computer, or a program of this one) the swap refuses,
//     nothing touched;
//  5. `base` is renamed in its folder to BASE_ANTIGA_dd_mm_yyyy.FDB (today), or
//     the first free BASE_ANTIGA_dd_mm_yyyy_2.FDB, _3, ... when taken; a missing
//     `base` (a lost database) skips this;
//  6. `novo` is copied under a temporary name in that folder, flushed and only
//     then renamed to `base`, so `base` never holds a half-written file; it gets
//     the previous file's owner and permission bits where allowed;
//  7. `base` is checked again; passing gives true, the status text left to the
//     caller;
//  8. otherwise the rejected copy is renamed to baseCorrompida.falha (or the
//     first free baseCorrompida_2.falha, ...), the kept file goes back to `base`,
//     and the text is "Falha na restauração, a base anterior foi restaurada!".
//
// A failed rename or copy undoes what was done and says so in the status text,
// naming where the previous database lies when it could not go back. Renames
// never replace a file and nothing is ever deleted, except a temporary copy of
// our own that could not be completed. Raises nothing.
bool aplicarRestauracao(UiPort& ui, const std::string& novo, const std::string& base);

}  // namespace vaultkeep
