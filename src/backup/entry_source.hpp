#pragma once
// Where the reader takes its list of entries from: the central directory or,
// when that cannot be read, a scan of the local headers. Entries come one at a
// time, so a huge or hostile list never sits in memory.

#include "backup/zip_records.hpp"

namespace vaultkeep {

class FonteEntradas {
  public:
    virtual ~FonteEntradas() = default;
    // The next entry; false at the end.
    virtual bool proxima(EntradaZip& e) = 0;
};

// The text of a stored name with the reader's rules: bit 11 means UTF-8; without
// it an Info-ZIP Unicode Path extra field whose CRC matches the name wins, and
// otherwise the code page rule of `lerNomeArmazenado` applies (`codigoOem`: the
// host that made the entry used the OEM code page; a local header alone does not
// tell, and counts as such).
std::string nomeDaEntrada(std::string_view nomeBruto, std::uint16_t flags, std::string_view extra,
                          bool codigoOem);

}  // namespace vaultkeep
