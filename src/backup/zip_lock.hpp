#pragma once
// The lock that serialises the archive operations of the whole process.

#include <mutex>

namespace vaultkeep {

std::mutex& travaArquivosZip();

}  // namespace vaultkeep
