#pragma once
// The online restore's test bench: the reference server (its plain-HTTP port
// also answers the connectivity probe), the settings pointed at it, a live
// database folder, and a scripted TLS server for lookups whose answer a test
// writes itself.

#include <stdlib.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "common/paths.hpp"
#include "fixtures/reference_server_process.hpp"
#include "fixtures/tls_wire_server.hpp"
#include "restore/restore_fixture.hpp"
#include "settings/settings.hpp"
#include "support/test_env.hpp"
#include "ui/status.hpp"

namespace vaultkeep::teste {

class RestauracaoOnlineBase : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* v :
             {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy"})
            ::unsetenv(v);
        dados_ = novaPasta("dados");
        base_ = dados_ / "BASE.FDB";
        arquivoBase = base_.string();
        senhaZip = segredoEmbutido();
        chaveServidor = segredoEmbutido();
        nomeEstabelecimento = "Padaria São João";
        servidor_ = std::make_unique<ProcessoServidorReferencia>(novaPasta("servidor"));
        ::setenv("VAULTKEEP_PROBE_URL", servidor_->urlDownload().c_str(), 1);
        urlUpload = servidor_->urlUpload() + "palisade/api/";
        urlGetLink = urlUpload + "/show";
        definirMensagemStatus("");
    }

    // Points the lookup at a scripted server that answers once with `resposta`.
    ServidorTlsRoteirizado& consultaRoteirizada(const std::string& resposta) {
        roteirizado_ = std::make_unique<ServidorTlsRoteirizado>(
            std::vector<RespostaRoteirizada>{{resposta, false, false}});
        urlGetLink = roteirizado_->url("/palisade/api//show");
        return *roteirizado_;
    }

    // The one work folder below the work root (empty path when there is none).
    static fs::path pastaDeTrabalho() {
        const auto nomes = nomesNaPasta(raizTrabalho());
        return nomes.size() == 1 ? raizTrabalho() / *nomes.begin() : fs::path();
    }

    static std::string confirmacao(const std::string& data) {
        return "confirmar(Confirmação|Backup encontrado, deseja restaurar o backup do dia " + data +
               "  do estabelecimento Padaria São João ?)";
    }

    fs::path dados_, base_;
    std::unique_ptr<ProcessoServidorReferencia> servidor_;
    std::unique_ptr<ServidorTlsRoteirizado> roteirizado_;
};

}  // namespace vaultkeep::teste
