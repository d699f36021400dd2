#pragma once
// Test isolation and small file helpers.
//
// Every test process runs in an isolated profile made by the shared main: a fresh
// folder below /tmp holding its own HOME, XDG_CONFIG_HOME, XDG_STATE_HOME,
// VAULTKEEP_HOME and TEMP. VAULTKEEP_TOOLS_DIR is unset and VAULTKEEP_PROBE_URL
// points at a closed loopback port, so no test reaches beyond this machine unless
// it says so. The folder is removed when the process ends (kept when
// VAULTKEEP_KEEP_TEST_DIRS is set).

#include <filesystem>
#include <string>
#include <string_view>

namespace vaultkeep::teste {

namespace fs = std::filesystem;

// The isolated root of this test process.
fs::path raizTeste();

// A fresh folder below the root (created, with parents).
fs::path novaPasta(std::string_view nome);

void escreverArquivo(const fs::path& p, std::string_view dados);
std::string lerArquivo(const fs::path& p);

// Removes a tree whatever its permissions (read-only folders included).
void removerArvore(const fs::path& p);

}  // namespace vaultkeep::teste
