#include "schedule/auto_backup.hpp"

#include <exception>
#include <iostream>

#include "backup/cleanup.hpp"
#include "backup/pipeline.hpp"
#include "common/clock.hpp"
#include "settings/settings.hpp"
#include "tools/conexao.hpp"
#include "tools/log.hpp"
#include "ui/status.hpp"

namespace vaultkeep {
namespace {

std::string agora() {
    return horaLonga(horaLocal());
}

}  // namespace

bool autoBackup(UiPort& ui) {
    // The probe's answer is not used: it only wakes the connection up.
    testarConexao();

    bool sair = false;
    try {      // guard B
        try {  // guard A
            carregarConfiguracoesDeVariaveis();
            try {
                if (!VerificarSeConfiguracoesForamPreenchidas()) {
                    gravarLog(
                        arquivoLog(), "Erro",
                        agora() +
                            " : Não foi possivel fazer o auto backup: motivo, as configurações "
                            "não foram completadas.");
                } else if (realizarBackup(ui, arquivoBase, pastaBackup, true,
                                          ExcluirArquivosAntigosDaPastaDeSalvamento)) {
                    gravarLog(arquivoLog(), "Informação",
                              agora() + " : Backup realizado com sucesso");
                } else {
                    gravarLog(arquivoLog(), "Erro", agora() + " : " + mensagemStatus());
                }
            } catch (...) {
                sair = true;  // the quit request closes step 4 on every path
                throw;
            }
            sair = true;
        } catch (const std::exception& e) {
            gravarLog(arquivoLog(), "Erro#1", agora() + " : " + e.what());
            sair = true;
        }
    } catch (const std::exception& e) {
        try {
            gravarLog(arquivoLog(), "Erro#2", agora() + " : " + e.what());
        } catch (const std::exception& ultimo) {
            // Nowhere left to write but the standard error stream.
            std::cerr << "vaultkeep: " << ultimo.what() << '\n';
        }
    }
    return sair;
}

}  // namespace vaultkeep
