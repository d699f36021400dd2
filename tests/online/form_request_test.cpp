// The form request's own limits, below the upload and the lookup.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <string>

#include "online/form_request.hpp"
#include "support/loopback.hpp"

namespace vaultkeep {
namespace {

// A loopback port whose connections the kernel completes but nobody answers: the
// TLS handshake never ends.
class PortaMuda {
  public:
    PortaMuda() {
        auto escuta = teste::escutarNoLoopback(4);
        porta_ = escuta.porta;
        s_ = escuta.socket.liberar();
    }
    ~PortaMuda() { ::close(s_); }
    int porta() const { return porta_; }

  private:
    int s_ = -1;
    int porta_ = 0;
};

TEST(RequisicaoFormulario, TheConnectTimeOutCoversAHandshakeThatNeverEnds) {
    PortaMuda muda;
    OpcoesRequisicao op;
    op.tempoConexao = std::chrono::milliseconds(1000);
    op.limiteParada = std::chrono::minutes(5);
    RequisicaoFormulario r(op);
    FormularioMultipart f;
    f.adicionarTexto("filekey", "'x'");
    const auto inicio = std::chrono::steady_clock::now();
    try {
        r.enviar("https://127.0.0.1:" + std::to_string(muda.porta()) + "/show", f);
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        // "SSL connection timeout" or "Connection timed out after ...", by the step.
        EXPECT_NE(std::string(e.what()).find("time"), std::string::npos) << e.what();
    }
    const auto duracao = std::chrono::steady_clock::now() - inicio;
    EXPECT_GE(duracao, std::chrono::milliseconds(900));
    EXPECT_LT(duracao, std::chrono::seconds(30));
}

}  // namespace
}  // namespace vaultkeep
