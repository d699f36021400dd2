#pragma once
// File operations that never leave a half-written file where a whole one is
// expected, and never replace what they were not asked to replace.

#include <filesystem>

namespace vaultkeep {

// Copies `origem` to `alvo` through a temporary file in the target's folder,
// flushed to disk and only then renamed into place, so `alvo` holds either its
// old content or the whole copy, never part of it. The copy keeps the source's
// permission bits and modification time. With `substituir` false an existing
// `alvo` is left alone and the copy fails with EEXIST. Throws std::system_error;
// the temporary file is removed on failure.
void copiarArquivoSeguro(const std::filesystem::path& origem, const std::filesystem::path& alvo,
                         bool substituir);

// Renames `origem` to `alvo` without ever replacing an existing `alvo` (EEXIST).
// Throws std::system_error.
void moverSemSubstituir(const std::filesystem::path& origem, const std::filesystem::path& alvo);

}  // namespace vaultkeep
