// Asks programaComArquivoAberto about one file and prints the holder's name, or
// "livre". The tests run it as another user.

#include <iostream>

#include "restore/live_file.hpp"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "uso: em_uso_ajudante ARQUIVO\n";
        return 2;
    }
    const auto programa = vaultkeep::programaComArquivoAberto(argv[1]);
    std::cout << (programa ? *programa : "livre") << "\n";
    return 0;
}
