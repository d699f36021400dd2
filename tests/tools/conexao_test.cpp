#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "support/loopback.hpp"
#include "tools/conexao.hpp"

namespace vaultkeep {
namespace {

enum class Modo { Responde, CorpoSemFim, NaoHttp, Calado };

// A one-connection HTTP peer on loopback that answers as told.
class ServidorLocal {
  public:
    explicit ServidorLocal(Modo modo) : modo_(modo) {
        auto escuta = teste::escutarNoLoopback(4);
        porta_ = escuta.porta;
        fd_ = escuta.socket.liberar();
        fio_ = std::thread([this] { atender(); });
    }
    ~ServidorLocal() {
        fim_ = true;
        fio_.join();
        ::close(fd_);
    }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(porta_) + "/"; }

  private:
    bool esperar(int fd, short eventos) {
        while (!fim_) {
            pollfd p{fd, eventos, 0};
            if (::poll(&p, 1, 50) > 0)
                return !(p.revents & (POLLERR | POLLHUP));
        }
        return false;
    }
    void atender() {
        if (!esperar(fd_, POLLIN))
            return;
        const int c = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (c < 0)
            return;
        char buf[4096];
        if (esperar(c, POLLIN))
            (void)!::read(c, buf, sizeof buf);  // the request
        std::string resposta;
        switch (modo_) {
            case Modo::Responde:
                resposta = "HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n";
                break;
            case Modo::CorpoSemFim:
                resposta = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n";
                break;
            case Modo::NaoHttp:
                resposta = "SSH-2.0-OpenSSH_9.2\r\n";
                break;
            case Modo::Calado:
                break;
        }
        if (!resposta.empty())
            (void)!::send(c, resposta.data(), resposta.size(), MSG_NOSIGNAL);
        const std::string bloco(16384, 'x');
        while (!fim_) {
            if (modo_ == Modo::CorpoSemFim) {
                if (::send(c, bloco.data(), bloco.size(), MSG_NOSIGNAL) < 0)
                    break;  // the client hung up
            } else if (modo_ != Modo::Calado) {
                break;
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        }
        ::close(c);
    }

    Modo modo_;
    int fd_ = -1;
    int porta_ = 0;
    std::atomic<bool> fim_{false};
    std::thread fio_;
};

double segundosDe(bool& resultado) {
    const auto inicio = std::chrono::steady_clock::now();
    resultado = testarConexao();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
}

TEST(TestarConexao, AnyHttpAnswerCountsAndNothingElseDoes) {
    struct Caso {
        Modo modo;
        bool esperado;
        const char* nome;
    };
    const Caso casos[] = {
        {Modo::Responde, true, "error status"},
        {Modo::NaoHttp, false, "not HTTP"},
    };
    for (const auto& c : casos) {
        ServidorLocal s(c.modo);
        ::setenv("VAULTKEEP_PROBE_URL", s.url().c_str(), 1);
        EXPECT_EQ(testarConexao(), c.esperado) << c.nome;
    }
    // The isolated profile's probe address: a closed loopback port.
    ::setenv("VAULTKEEP_PROBE_URL", "http://127.0.0.1:9/", 1);
    EXPECT_FALSE(testarConexao());
}

TEST(TestarConexao, DoesNotWaitForTheBody) {
    ServidorLocal s(Modo::CorpoSemFim);
    ::setenv("VAULTKEEP_PROBE_URL", s.url().c_str(), 1);
    bool r = false;
    EXPECT_LT(segundosDe(r), 5.0);
    EXPECT_TRUE(r);
}

TEST(TestarConexao, APeerThatNeverAnswersIsGivenUpOn) {
    ServidorLocal s(Modo::Calado);
    ::setenv("VAULTKEEP_PROBE_URL", s.url().c_str(), 1);
    bool r = true;
    EXPECT_LT(segundosDe(r), 20.0);
    EXPECT_FALSE(r);
}

}  // namespace
}  // namespace vaultkeep
