#pragma once
// A listening TCP socket on 127.0.0.1 with a port the kernel picks, for the test
// peers that stand in for servers.

#include <cstdint>

#include "common/descritor.hpp"

namespace vaultkeep::teste {

struct EscutaLocal {
    Descritor socket;
    std::uint16_t porta = 0;
};

// Throws std::runtime_error when the socket cannot be made.
EscutaLocal escutarNoLoopback(int fila = 8);

}  // namespace vaultkeep::teste
