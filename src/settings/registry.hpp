#pragma once
// The per-user registry: typed values under a key of HKEY_CURRENT_USER.
//
// On this platform the hive is the text file
// $XDG_CONFIG_HOME/vaultkeep/registry.reg in REGEDIT4 style:
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\SOFTWARE\VAULTKEEP]
//   "ESTABELECIMENTO"="Padaria Sao Joao"
//   "OUTRO"=hex(2):25,50,41,54,48,25,00
//   "NUMERO"=dword:00000001
//
// Strings without NUL or line breaks are written in quotes (\\ and \" escaped);
// any other value as hex(type) bytes. Each write replaces the whole file
// atomically (temporary file, fsync, rename) under an exclusive lock on
// registry.reg.lock, so neither a crash nor a second process ever leaves a torn
// hive. Several values written with one call are written under one lock hold, so
// two processes saving at once never leave a mix of their values.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/paths.hpp"

namespace vaultkeep {

enum class TipoRegistro : std::uint32_t {
    None = 0,
    Sz = 1,
    ExpandSz = 2,
    Binary = 3,
    Dword = 4,
    MultiSz = 7,
    Qword = 11,
};

// An open key. Opening creates the key (and the hive) when missing. A key that
// cannot be opened reads as empty everywhere and fails every write.
class ChaveRegistro {
  public:
    // Opens HKEY_CURRENT_USER\<caminho>.
    explicit ChaveRegistro(std::string caminho = "SOFTWARE\\VAULTKEEP");

    bool aberta() const { return aberta_; }

    // The text of a value: a missing value, or one of size 0, reads as "";
    // REG_SZ and REG_EXPAND_SZ read up to their first NUL and are not expanded.
    // Any other type throws std::runtime_error "Invalid data type for '<nome>'".
    std::string lerTexto(std::string_view nome) const;

    // Writes REG_SZ values (the text followed by a NUL). A failure throws
    // std::runtime_error "Failed to set data for '<nome>'" naming the value that
    // failed; the values before it in the list stay written.
    void gravarTexto(std::string_view nome, std::string_view valor);
    void gravarTextos(const std::vector<std::pair<std::string, std::string>>& valores);

    // Writes a value of any type with its raw bytes (used to set up other types).
    void gravarValor(std::string_view nome, TipoRegistro tipo, std::string_view bytes);

    // The hive file of the current user.
    static fs::path arquivoHive();

  private:
    std::string caminho_;
    bool aberta_ = false;
};

}  // namespace vaultkeep
