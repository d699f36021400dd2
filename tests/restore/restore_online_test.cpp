// The online restore against the reference server, a scripted lookup server and
// the real wget, for every way it ends before the swap.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "backup/pipeline.hpp"
#include "common/paths.hpp"
#include "online/lookup.hpp"
#include "online/upload.hpp"
#include "restore/messages.hpp"
#include "restore/online_fixture.hpp"
#include "restore/restauracao.hpp"
#include "support/scripted_ui.hpp"

namespace vaultkeep {
namespace {

namespace fs = std::filesystem;
using teste::escreverArquivo;
using teste::lerArquivo;
using teste::nomesNaPasta;
using teste::ScriptedUi;

class RestauracaoOnline : public teste::RestauracaoOnlineBase {
  protected:
    void SetUp() override {
        RestauracaoOnlineBase::SetUp();
        escreverArquivo(base_, "o banco vivo");
    }

    void esperarBancoIntacto() const {
        EXPECT_EQ(nomesNaPasta(dados_), std::set<std::string>{"BASE.FDB"});
        EXPECT_EQ(lerArquivo(base_), "o banco vivo");
    }

    static std::string respostaJson(const std::string& link, const std::string& nome) {
        const std::string corpo = "{\"link\": \"" + link +
                                  "\", \"date\": \"2025-02-04 14:30:00\", "
                                  "\"originalFileName\": \"" +
                                  nome + "\"}";
        return teste::respostaHttp("HTTP/1.1 200 OK", corpo, {"Content-Type: application/json"});
    }
};

TEST_F(RestauracaoOnline, NoCancelsAfterTheDownloadAndTouchesNothing) {
    const fs::path origem = teste::novaPasta("origem");
    escreverArquivo(origem / "BASE.FDB", "um banco no arquivo");
    const fs::path arquivo = teste::criarArquivoBackup(
        teste::novaPasta("envio") / "Backup_Vaultkeep_04_02_2025_09_00.zip", {origem / "BASE.FDB"});
    {
        ScriptedUi envio;
        ASSERT_TRUE(enviarCopiaOnline(envio, arquivo.string())) << mensagemStatus();
    }
    std::vector<std::string> textos;
    std::mutex m;
    observarMensagemStatus([&](const std::string& t) {
        std::lock_guard l(m);
        textos.push_back(t);
    });

    ScriptedUi ui;
    ui.responderConfirmacao(false);
    EXPECT_FALSE(restaurarBackup(ui, "online", ""));
    observarMensagemStatus({});
    EXPECT_EQ(textos, (std::vector<std::string>{kMsgBuscandoInformacoes, "Realizando download...",
                                                kMsgOperacaoCancelada}));
    EXPECT_EQ(ui.chamadas(), std::vector<std::string>{confirmacao(teste::dataDeHoje())});
    esperarBancoIntacto();
    // The download stays in the work folder under the server's name.
    const fs::path trabalho = pastaDeTrabalho();
    ASSERT_FALSE(trabalho.empty());
    EXPECT_EQ(nomesNaPasta(trabalho),
              std::set<std::string>{"Backup_Vaultkeep_04_02_2025_09_00.zip"});
    EXPECT_TRUE(lerArquivo(trabalho / "Backup_Vaultkeep_04_02_2025_09_00.zip") ==
                lerArquivo(arquivo));
}

TEST_F(RestauracaoOnline, StopsBeforeAnyRequest) {
    const fs::path semFerramentas = teste::novaPasta("ferramentas_vazias");
    struct Caso {
        const char* nome;
        const char* status;
    };
    const Caso casos[] = {
        {"no connection", kMsgSemConexao},
        {"no wget", "O aplicativo de download não existe. (wget.exe)"},
        {"no database folder", kMsgConfigurePastaBase},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nome);
        auto& consulta = consultaRoteirizada(respostaJson("http://127.0.0.1:9/a.zip", "a.zip"));
        const std::string probe = servidor_->urlDownload();
        const std::string nome = c.nome;
        if (nome == "no connection")
            ::setenv("VAULTKEEP_PROBE_URL", "http://127.0.0.1:9/", 1);
        if (nome == "no wget")
            ::setenv("VAULTKEEP_TOOLS_DIR", semFerramentas.c_str(), 1);
        if (nome == "no database folder")
            arquivoBase = (teste::raizTeste() / "sem_pasta" / "BASE.FDB").string();

        ScriptedUi ui;
        EXPECT_FALSE(restaurarBackup(ui, "online", ""));
        EXPECT_EQ(mensagemStatus(), c.status);
        EXPECT_TRUE(consulta.pedidos().empty()) << "a lookup was sent";
        EXPECT_TRUE(ui.chamadas().empty());
        EXPECT_FALSE(fs::exists(raizTrabalho()));
        ::setenv("VAULTKEEP_PROBE_URL", probe.c_str(), 1);
        ::unsetenv("VAULTKEEP_TOOLS_DIR");
        arquivoBase = base_.string();
        esperarBancoIntacto();
    }
}

TEST_F(RestauracaoOnline, AnUnreachableLinkEndsAfterTheConfirmation) {
    auto& consulta = consultaRoteirizada(
        respostaJson("http://127.0.0.1:9/Backup.zip", "Backup_Vaultkeep_04_02_2025_14_30.zip"));
    ScriptedUi ui;
    ui.responderConfirmacao(true);
    EXPECT_FALSE(restaurarBackup(ui, "online", ""));
    EXPECT_EQ(consulta.pedidos().size(), 1u);
    EXPECT_EQ(mensagemStatus(), kMsgArquivoNaoExiste);
    EXPECT_EQ(ui.chamadas(), std::vector<std::string>{confirmacao("04/02/2025")});
    esperarBancoIntacto();
    // wget opens its target before it connects: an empty file is nothing downloaded.
    const fs::path alvo = pastaDeTrabalho() / "Backup_Vaultkeep_04_02_2025_14_30.zip";
    ASSERT_TRUE(fs::exists(alvo));
    EXPECT_EQ(fs::file_size(alvo), 0u);
}

TEST_F(RestauracaoOnline, AnswersThatStartNoDownload) {
    const std::string pagina = "<html><body><h1>Em manutenção</h1></body></html>";
    std::string mensagemDoLeitor;
    try {
        lerRespostaConsulta(pagina);
    } catch (const std::runtime_error& e) {
        mensagemDoLeitor = e.what();
    }
    ASSERT_FALSE(mensagemDoLeitor.empty());
    struct Caso {
        const char* nome;
        std::string resposta;
        std::string status;
    };
    const Caso casos[] = {
        {"an HTML page",
         teste::respostaHttp("HTTP/1.1 200 OK", pagina, {"Content-Type: text/html; charset=utf-8"}),
         kMsgErroConsulta + mensagemDoLeitor},
        {"no link",
         teste::respostaHttp("HTTP/1.1 200 OK", "{\"date\": \"2025-02-04\", \"link\": null}"),
         "Erro ao iniciar download."},
        // wget would take it for one of its options and write where it says.
        {"a link that is an option", respostaJson("--output-document=/tmp/vk_invadido", "a.zip"),
         "Erro ao iniciar download."},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nome);
        consultaRoteirizada(c.resposta);
        ScriptedUi ui;
        ui.responderConfirmacao(true);
        EXPECT_FALSE(restaurarBackup(ui, "online", ""));
        EXPECT_EQ(mensagemStatus(), c.status);
        EXPECT_TRUE(ui.chamadas().empty());
        const fs::path trabalho = pastaDeTrabalho();
        ASSERT_FALSE(trabalho.empty());
        EXPECT_TRUE(fs::is_empty(trabalho)) << "something was downloaded";
        esperarBancoIntacto();
    }
    EXPECT_FALSE(fs::exists("/tmp/vk_invadido"));
}

TEST_F(RestauracaoOnline, ALinkWithShellCharactersCreatesNothingOutsideTheWorkFolder) {
    const std::string raiz = teste::raizTeste().string();
    const std::string link = "http://127.0.0.1:9/a.zip;touch${IFS}" + raiz + "/invadido1;`touch " +
                             raiz + "/invadido2`$(touch " + raiz + "/invadido3)|touch " + raiz +
                             "/invadido4&&touch " + raiz + "/invadido5";
    consultaRoteirizada(respostaJson(link, "../../invadido6.zip"));
    const auto antes = teste::arquivosAbaixo(teste::raizTeste());

    ScriptedUi ui;
    ui.responderConfirmacao(true);
    EXPECT_FALSE(restaurarBackup(ui, "online", ""));
    EXPECT_EQ(mensagemStatus(), kMsgArquivoNaoExiste);

    const fs::path trabalho = pastaDeTrabalho();
    ASSERT_FALSE(trabalho.empty());
    EXPECT_EQ(nomesNaPasta(trabalho), std::set<std::string>{"invadido6.zip"});
    const std::string prefixoTrabalho = fs::relative(trabalho, teste::raizTeste()).string() + "/";
    std::set<std::string> novos;
    for (const auto& f : teste::arquivosAbaixo(teste::raizTeste()))
        if (!antes.count(f) && f.rfind(prefixoTrabalho, 0) != 0)
            novos.insert(f);
    EXPECT_TRUE(novos.empty()) << ::testing::PrintToString(novos);
    esperarBancoIntacto();
}

}  // namespace
}  // namespace vaultkeep
