// A small program the tools tests start as a child, so that what a child does is
// fully under the tests' control without any shell:
//
//   ajudante intercalar N      N pairs "saida i" on stdout, "erro i" on stderr, unbuffered
//   ajudante argumentos ...    each further argument on its own line, between [ and ]
//   ajudante pasta             the working folder
//   ajudante grande N          N bytes on stdout
//   ajudante codigo N          nothing, exit status N
//   ajudante morrer            killed by SIGKILL
//   ajudante criar ARQ MS      after MS milliseconds creates ARQ
//   ajudante log ARQ N TITULO  N entries into the log file ARQ through gravarLog
//
// Started under the name "gfix" it stands in for the Firebird tool: it appends its
// arguments and working folder to $FALSO_GFIX_REGISTRO, prints $FALSO_GFIX_SAIDA
// and exits with $FALSO_GFIX_CODIGO.

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <thread>

#include "tools/log.hpp"

namespace {

void escrever(int fd, std::string_view s) {
    while (!s.empty()) {
        const ssize_t n = ::write(fd, s.data(), s.size());
        if (n <= 0)
            std::exit(99);
        s.remove_prefix(static_cast<std::size_t>(n));
    }
}

int falsoGfix(int argc, char** argv) {
    if (const char* reg = std::getenv("FALSO_GFIX_REGISTRO")) {
        std::ofstream out(reg, std::ios::app);
        for (int i = 0; i < argc; ++i)
            out << "[" << argv[i] << "]\n";
        out << "cwd=" << std::filesystem::current_path().string() << "\n";
    }
    if (const char* s = std::getenv("FALSO_GFIX_SAIDA"))
        escrever(1, s);
    const char* c = std::getenv("FALSO_GFIX_CODIGO");
    return c ? std::atoi(c) : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (std::filesystem::path(argv[0]).filename() == "gfix")
        return falsoGfix(argc, argv);
    if (argc < 2)
        return 2;
    const std::string_view modo = argv[1];
    if (modo == "intercalar" && argc == 3) {
        for (int i = 0, n = std::atoi(argv[2]); i < n; ++i) {
            escrever(1, "saida " + std::to_string(i) + "\n");
            escrever(2, "erro " + std::to_string(i) + "\n");
        }
        return 0;
    }
    if (modo == "argumentos") {
        for (int i = 2; i < argc; ++i)
            escrever(1, std::string("[") + argv[i] + "]\n");
        return 0;
    }
    if (modo == "pasta") {
        escrever(1, std::filesystem::current_path().string());
        return 0;
    }
    if (modo == "grande" && argc == 3) {
        std::string bloco(4096, 'x');
        for (long resto = std::atol(argv[2]); resto > 0; resto -= 4096)
            escrever(1, std::string_view(bloco).substr(0, std::min<long>(resto, 4096)));
        return 0;
    }
    if (modo == "codigo" && argc == 3)
        return std::atoi(argv[2]);
    if (modo == "morrer")
        ::kill(::getpid(), SIGKILL);
    if (modo == "criar" && argc == 4) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[3])));
        std::ofstream(argv[2]) << "feito";
        return 0;
    }
    if (modo == "log" && argc == 5) {
        for (int i = 0, n = std::atoi(argv[3]); i < n; ++i)
            vaultkeep::gravarLog(argv[2], argv[4], "entrada " + std::to_string(i));
        return 0;
    }
    return 2;
}
