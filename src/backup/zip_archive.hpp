#pragma once
// The backup archive: a ZIP file (PKWARE APPNOTE) whose entries are files stored
// under their bare names, compressed with raw Deflate and, under a password,
// encrypted with the traditional PKWARE encryption.
//
// The writer lays out, for each file, its local header, its 12-byte encryption
// header (when encrypted) and its data, then the central directory and the end
// record: version made by 2.0 (MS-DOS), no extra field, no comment, no data
// descriptor, no 64-bit extensions, MS-DOS local time, external attributes 0x20
// (plus 0x01 for a read-only file). The data is what one zlib stream gives at
// level 6 (15-bit window, memory level 8, default strategy) for 1 MiB pieces
// with a sync flush after each but the last; it is compressed on every core.
//
// The reader takes any archive of the APPNOTE's classic and 64-bit forms with
// stored or Deflate entries, rebuilds the list of entries from the local headers
// when the central directory is missing or broken, and writes every entry under
// the last component of its name, directly in the destination folder: nothing is
// ever written outside it.
//
// A failure of one entry opens the failure prompt through the UI port
// (Abort/Retry/Ignore; Abort/Ignore for code 61) and does not reach the caller.
// Abort while writing leaves an archive without entries (22 bytes). A wrong or
// missing password opens the password prompt until the check passes; Cancel
// skips the entry. Nothing holds a whole file in memory.
//
// Errors that reach the caller:
// - std::runtime_error "Cannot create file "%s". %s" / "Cannot open file "%s". %s"
//   when the archive itself cannot be created or opened;
// - ErroZip 35 "Invalid archive file." when the file holds no ZIP structure;
// - ErroZip 40 "Cannot find 64-bit directory end record";
// - any other failure (memory, the UI port's own errors). The writer first
//   leaves the archive without entries.
//
// One process-wide lock serialises the two operations.

#include <string>

#include "backup/zip_error.hpp"
#include "ui/ui_port.hpp"

namespace vaultkeep {

// Creates `arquivo` (replacing any file of that name) and stores in it every
// file of `pastaBase` and its sub-folders whose name matches `mascara` (the
// archive itself excepted). An empty `senha` writes no encryption.
void compactarArquivos(UiPort& ui, const std::string& arquivo, const std::string& pastaBase,
                       const std::string& mascara, const std::string& senha);

// Extracts from `arquivo` every entry whose name (or its last component)
// matches `mascara` into the folder `destino`, replacing existing files there
// (read-only ones too) and restoring each file's time and read-only attribute.
// The archive is never changed.
void extrairArquivos(UiPort& ui, const std::string& arquivo, const std::string& destino,
                     const std::string& mascara, const std::string& senha);

}  // namespace vaultkeep
