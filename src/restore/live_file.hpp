#pragma once
// What the swap asks of the live database file on this platform.

#include <filesystem>
#include <optional>
#include <string>

namespace vaultkeep {

// The name of a program, other than this process, that holds the file open:
// one with a descriptor of it (found by device and inode, so another path to
// the same file counts too), or one holding a lock on it. The lock table is
// readable by every user, so the Firebird server, which locks every database it
// has open, is found even when its descriptors cannot be looked at. Nothing
// when the file is free or cannot be looked at.
std::optional<std::string> programaComArquivoAberto(const std::filesystem::path& arquivo);

// Gives `alvo` the permission bits and, where this process may, the owner and
// group of `modelo`, so the database server can open a file that replaces one it
// could open. Failures are ignored: the copy stays as it is.
void herdarDonoEPermissoes(const std::filesystem::path& modelo, const std::filesystem::path& alvo);

}  // namespace vaultkeep
