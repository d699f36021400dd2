// The program: with the first argument exactly "auto" it makes the unattended
// backup and ends; any other start is the interactive mode of the window.

#include <cstring>
#include <iostream>

#include "schedule/auto_backup.hpp"
#include "ui/ui_port.hpp"

int main(int argc, char** argv) {
    // Only the first argument counts, compared exactly ("AUTO" is not "auto").
    if (argc > 1 && std::strcmp(argv[1], "auto") == 0) {
        vaultkeep::UiPortSemPessoa ninguem;
        vaultkeep::autoBackup(ninguem);
        return 0;
    }
    std::cerr << "vaultkeep: a janela ainda não faz parte desta versão; use \"vaultkeep auto\" "
                 "ou vaultkeep-cli.\n";
    return 1;
}
