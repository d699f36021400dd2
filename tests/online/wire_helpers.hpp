#pragma once
// Small helpers for reading requests recorded by the wire fixture.

#include <string>
#include <vector>

namespace vaultkeep::teste {

struct PedidoGravado {
    std::vector<std::string> linhas;  // request line and header lines
    std::string corpo;
};

inline PedidoGravado separarPedido(const std::string& bruto) {
    PedidoGravado p;
    const auto fim = bruto.find("\r\n\r\n");
    const std::string cabeca = bruto.substr(0, fim);
    p.corpo = fim == std::string::npos ? "" : bruto.substr(fim + 4);
    std::size_t inicio = 0;
    while (inicio <= cabeca.size()) {
        auto quebra = cabeca.find("\r\n", inicio);
        if (quebra == std::string::npos)
            quebra = cabeca.size();
        p.linhas.push_back(cabeca.substr(inicio, quebra - inicio));
        inicio = quebra + 2;
    }
    return p;
}

}  // namespace vaultkeep::teste
