#pragma once
// Files and folders: short paths, removing a folder tree, finding the database
// file in a folder.

#include <string>

namespace vaultkeep {

// The form of a path to put on a command line. Short (8.3) forms kept blanks off
// Windows command lines; no command line is parsed here, so the path is returned
// unchanged.
std::string caminhoCurto(const std::string& caminho);

// Removes the folder and everything in it, read-only files and folders included.
// Symbolic links are removed, never followed: whatever they point to survives,
// and a `pasta` that is itself a link loses only the link. Other file systems
// mounted inside the tree are not entered. A missing folder, or a path that is
// not a folder, is left alone. Failures are not reported; what could not be
// removed stays.
void excluirPasta(const std::string& pasta);

// The full path of the first database file in the folder, in the order the file
// system lists it: a regular, non-hidden file (its name does not start with ".")
// whose name contains ".FDB" in any letter case ("banco.fdb", "BASE.FDB.bak").
// Empty when there is none or the folder cannot be read.
std::string localizarArquivoFDB(const std::string& pasta);

}  // namespace vaultkeep
