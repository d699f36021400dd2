#pragma once
// Names the swap gives the files it keeps beside the database: the dated name of
// the previous database and the name of a rejected copy, made unique with "_2",
// "_3", ... when an earlier restore already left a file of that name.

#include <ctime>
#include <filesystem>
#include <string>

namespace vaultkeep {

// "BASE_ANTIGA_dd_mm_yyyy" for the day `quando` (the extension comes apart).
std::string radicalBaseAntiga(const std::tm& quando);

// The `n`-th candidate name: `radical` + `extensao` for n = 1, then
// `radical` + "_" + n + `extensao`.
std::string nomeCandidato(const std::string& radical, const std::string& extensao, int n);

// Renames `origem` into `pasta` under the first candidate name that is free
// (nothing of that name, not even a dangling link), never replacing a file, and
// gives the name used. A candidate taken between the look and the rename is
// passed over. Throws std::system_error with the last rename's error.
std::filesystem::path moverParaNomeLivre(const std::filesystem::path& origem,
                                         const std::filesystem::path& pasta,
                                         const std::string& radical, const std::string& extensao);

}  // namespace vaultkeep
