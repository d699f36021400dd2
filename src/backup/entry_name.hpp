#pragma once
// Entry names: how a file's name is stored in an archive, how a stored name is
// read back as text, and which part of it may become a file name on extraction.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vaultkeep {

struct NomeArmazenado {
    std::string bytes;
    bool utf8 = false;  // general purpose flag bit 11
};

// The stored form of a bare file name (UTF-8 text; a name that is not valid
// UTF-8 is taken as Windows-1252 bytes). A name that Windows-1252 holds
// exactly, and whose code page 850 form holds every character, is stored in code
// page 850 with bit 11 clear; any other name is stored as UTF-8 with bit 11 set.
// Nothing when the UTF-8 form is longer than 254 bytes.
//
// Checking the code page 850 form too keeps names such as "DADOS–2023.FDB"
// (an en dash: in Windows-1252, not in code page 850) from turning into "?".
std::optional<NomeArmazenado> armazenarNome(std::string_view nomeArquivo);

// The text of a stored name. With bit 11 set the bytes are UTF-8. Otherwise they
// are converted from code page 850 to Windows-1252 (when `codigoOem`: the name
// was written on MS-DOS or Windows) and the result is read as UTF-8 when it is
// valid UTF-8 with non-ASCII characters, and as Windows-1252 otherwise. The
// result is always valid UTF-8.
//
// Archives made on Unix or macOS hold their names in the system's own encoding,
// today UTF-8, with bit 11 clear (Info-ZIP's zip does so); the code page step
// would garble those, so it applies to MS-DOS and Windows names only.
std::string lerNomeArmazenado(std::string_view bytes, bool utf8, bool codigoOem = true);

// Whether the host of a "version made by" value (its high byte) wrote names in
// the OEM code page: MS-DOS/FAT, OS/2 HPFS, Windows NTFS (10, and 11 as Info-ZIP
// numbers it), VFAT.
bool hostComCodigoOem(std::uint16_t versaoFeita);

// The file name an entry may be extracted under: the last component of its name
// by "/" or "\". Nothing when that component is empty, ".", ".." or holds a NUL
// byte, so extraction never leaves the destination folder.
std::optional<std::string> componenteExtraivel(std::string_view nome);

// The last component by "/" or "\" (possibly empty).
std::string_view ultimoComponente(std::string_view nome);

}  // namespace vaultkeep
