#pragma once
// One backup or restore at a time on this machine's work root.
//
// The window runs one operation at a time by locking its screens, but two
// processes (a backup from cron while another vaultkeep-cli restores, say) would
// share the work root, and each empties it when it starts. An exclusive lock on
// "<work root>.lock" keeps them apart.

#include <memory>
#include <utility>

#include "common/descritor.hpp"

namespace vaultkeep::cli {

inline constexpr const char* kMsgOperacaoEmAndamento =
    "Já existe um backup ou uma restauração em andamento. Aguarde o término e tente novamente.";

class TravaOperacao {
  public:
    // Takes the lock without waiting. Empty when another process holds it. When
    // the lock file cannot be made at all (no temporary folder) nothing can be
    // shared either: the operation goes on and meets that problem itself.
    static std::unique_ptr<TravaOperacao> tentar();

  private:
    explicit TravaOperacao(Descritor fd) : fd_(std::move(fd)) {}
    Descritor fd_;  // the lock goes with the descriptor
};

}  // namespace vaultkeep::cli
