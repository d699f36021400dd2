// vaultkeep-server: the reference backup server for the tests and the demo.
// Prints where it listens, serves until SIGTERM or SIGINT, then exits 0.

#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

#include "common/paths.hpp"
#include "server/reference_server.hpp"
#include "settings/settings.hpp"

namespace {

constexpr const char* kUso =
    "Uso: vaultkeep-server [opções]\n"
    "  --port N            porta HTTPS em 127.0.0.1 (0: qualquer livre; padrão 0)\n"
    "  --download-port N   porta HTTP dos links de download (0: qualquer livre; padrão 0)\n"
    "  --storage PASTA     onde os arquivos ficam (padrão: pasta do programa/servidor)\n"
    "  --password TEXTO    senha das credenciais Basic (padrão: o segredo embutido)\n"
    "  --password-file ARQ a senha na primeira linha de ARQ\n"
    "  --cert ARQ --key ARQ certificado e chave PEM (padrão: autoassinado gerado na partida)\n";

int porta(const std::string& texto) {
    std::size_t fim = 0;
    const int p = std::stoi(texto, &fim);
    if (fim != texto.size() || p < 0 || p > 65535)
        throw std::invalid_argument(texto);
    return p;
}

}  // namespace

int main(int argc, char** argv) {
    using vaultkeep::servidor::Configuracao;
    Configuracao cfg;
    bool senhaDada = false;
    try {
        for (int i = 1; i < argc; ++i) {
            const std::string a = argv[i];
            auto valor = [&]() -> std::string {
                if (i + 1 >= argc)
                    throw std::invalid_argument(a + " precisa de um valor");
                return argv[++i];
            };
            if (a == "--port")
                cfg.portaHttps = porta(valor());
            else if (a == "--download-port")
                cfg.portaDownload = porta(valor());
            else if (a == "--storage")
                cfg.armazenamento = valor();
            else if (a == "--password") {
                cfg.senha = valor();
                senhaDada = true;
            } else if (a == "--password-file") {
                std::ifstream f(valor());
                if (!f || !std::getline(f, cfg.senha))
                    throw std::invalid_argument("não foi possível ler o arquivo da senha");
                if (!cfg.senha.empty() && cfg.senha.back() == '\r')
                    cfg.senha.pop_back();
                senhaDada = true;
            } else if (a == "--cert")
                cfg.certificado = valor();
            else if (a == "--key")
                cfg.chavePrivada = valor();
            else if (a == "--help" || a == "-h") {
                std::cout << kUso;
                return 0;
            } else
                throw std::invalid_argument("opção desconhecida: " + a);
        }
        if (cfg.certificado.empty() != cfg.chavePrivada.empty())
            throw std::invalid_argument("--cert e --key vão juntos");
    } catch (const std::exception& e) {
        std::cerr << "vaultkeep-server: " << e.what() << "\n" << kUso;
        return 2;
    }

    // Signals are taken by one thread with sigwait; every other thread blocks them.
    sigset_t sinais;
    sigemptyset(&sinais);
    sigaddset(&sinais, SIGTERM);
    sigaddset(&sinais, SIGINT);
    pthread_sigmask(SIG_BLOCK, &sinais, nullptr);
    // A client that hangs up mid-answer is that request's problem, not the server's.
    ::signal(SIGPIPE, SIG_IGN);

    try {
        if (!senhaDada)
            cfg.senha = vaultkeep::segredoEmbutido();
        if (cfg.armazenamento.empty())
            cfg.armazenamento = vaultkeep::pastaPrograma() / "servidor";
        cfg.armazenamento = std::filesystem::absolute(cfg.armazenamento);

        vaultkeep::servidor::ServidorReferencia servidor(cfg);
        std::printf("upload: https://127.0.0.1:%d/\n", servidor.portaHttps());
        std::printf("lookup: https://127.0.0.1:%d/show\n", servidor.portaHttps());
        std::printf("download: http://127.0.0.1:%d/\n", servidor.portaDownload());
        std::printf("storage: %s\n", cfg.armazenamento.c_str());
        std::fflush(stdout);

        std::thread vigia([&] {
            int sinal = 0;
            sigwait(&sinais, &sinal);
            servidor.parar();
        });
        servidor.executar();
        // Ended without a signal: wake the watcher so it can be joined.
        pthread_kill(vigia.native_handle(), SIGTERM);
        vigia.join();
    } catch (const std::exception& e) {
        std::cerr << "vaultkeep-server: " << e.what() << std::endl;
        return 1;
    }
    return 0;
}
