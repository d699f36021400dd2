// The local restore up to the swap, and the ways it ends before the database
// folder is touched. No Firebird is needed: none of these reaches a check.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "common/paths.hpp"
#include "restore/messages.hpp"
#include "restore/restauracao.hpp"
#include "restore/restore_fixture.hpp"
#include "settings/settings.hpp"
#include "support/scripted_ui.hpp"
#include "support/test_env.hpp"
#include "ui/status.hpp"

namespace vaultkeep {
namespace {

namespace fs = std::filesystem;
using teste::escreverArquivo;
using teste::lerArquivo;
using teste::ScriptedUi;

class RestauracaoLocal : public ::testing::Test {
  protected:
    void SetUp() override {
        dados_ = teste::novaPasta("dados");
        arquivoBase = (dados_ / "BASE.FDB").string();
        escreverArquivo(arquivoBase, "o banco vivo");
        senhaZip = segredoEmbutido();
        definirMensagemStatus("antes");
    }

    // The database folder holds the live file alone, as it was.
    void esperarBancoIntacto() const {
        EXPECT_EQ(teste::nomesNaPasta(dados_), std::set<std::string>{"BASE.FDB"});
        EXPECT_EQ(lerArquivo(arquivoBase), "o banco vivo");
    }

    fs::path dados_;
};

TEST_F(RestauracaoLocal, ArchivesThatHoldNoDatabase) {
    const fs::path origem = teste::novaPasta("origem");
    escreverArquivo(origem / "notas.txt", "sem banco");
    struct Caso {
        const char* nome;
        std::string conteudo;  // empty: made by the writer from notas.txt
        const char* status;
        bool raizFica;  // the work root stays after a failed extraction
    };
    const Caso casos[] = {
        {"nao_e_zip.zip", "isto não é um arquivo zip, só texto", kMsgErroDescompactar, true},
        {"vazio.zip", teste::zipSemEntradas(), kMsgArquivoNaoExiste, false},
        {"so_notas.zip", "", kMsgArquivoNaoExiste, false},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nome);
        const fs::path arquivo = teste::raizTeste() / c.nome;
        if (c.conteudo.empty())
            teste::criarArquivoBackup(arquivo, {origem / "notas.txt"});
        else
            escreverArquivo(arquivo, c.conteudo);
        // Leftovers of an earlier operation go first.
        escreverArquivo(raizTrabalho() / "ANTIGA" / "sobra.FDB", "sobra");

        ScriptedUi ui;
        EXPECT_FALSE(restaurarBackup(ui, "local", arquivo.string()));
        EXPECT_EQ(mensagemStatus(), c.status);
        EXPECT_EQ(ui.contar("aviso"), 0);
        EXPECT_FALSE(fs::exists(raizTrabalho() / "ANTIGA"));
        EXPECT_EQ(fs::exists(raizTrabalho()), c.raizFica);
        esperarBancoIntacto();
        teste::removerArvore(raizTrabalho());
    }
}

TEST_F(RestauracaoLocal, APathThatNamesNoFileCreatesNothing) {
    escreverArquivo(raizTrabalho() / "ANTIGA" / "sobra.FDB", "sobra");
    const fs::path pasta = teste::novaPasta("uma_pasta.zip");
    for (const fs::path& caminho : {pasta, teste::raizTeste() / "sumiu.zip", fs::path()}) {
        SCOPED_TRACE(caminho);
        definirMensagemStatus("antes");
        ScriptedUi ui;
        EXPECT_FALSE(restaurarBackup(ui, "local", caminho.string()));
        EXPECT_EQ(mensagemStatus(), kMsgSelecioneArquivo);
        EXPECT_TRUE(ui.chamadas().empty());
        EXPECT_EQ(teste::nomesNaPasta(raizTrabalho()), std::set<std::string>{"ANTIGA"});
        EXPECT_EQ(lerArquivo(raizTrabalho() / "ANTIGA" / "sobra.FDB"), "sobra");
        esperarBancoIntacto();
    }
}

TEST_F(RestauracaoLocal, OnlyTheExactSourceTextsRunABranch) {
    const fs::path arquivo = teste::raizTeste() / "vazio.zip";
    escreverArquivo(arquivo, teste::zipSemEntradas());
    for (const char* origem : {"LOCAL", "Local", " local", "Online", "remoto", ""}) {
        SCOPED_TRACE(origem);
        ScriptedUi ui;
        EXPECT_FALSE(restaurarBackup(ui, origem, arquivo.string()));
        EXPECT_EQ(mensagemStatus(), "antes");
        EXPECT_TRUE(ui.chamadas().empty());
        EXPECT_FALSE(fs::exists(raizTrabalho()));
    }
}

TEST_F(RestauracaoLocal, AWorkFolderThatCannotBeMadeIsReportedNotThrown) {
    const fs::path arquivo = teste::raizTeste() / "vazio.zip";
    escreverArquivo(arquivo, teste::zipSemEntradas());
    const fs::path ocupado = teste::raizTeste() / "temp_e_arquivo";
    escreverArquivo(ocupado, "");
    ::setenv("TEMP", ocupado.c_str(), 1);  // the work root would lie below a file

    ScriptedUi ui;
    EXPECT_FALSE(restaurarBackup(ui, "local", arquivo.string()));
    EXPECT_EQ(
        mensagemStatus().rfind("Erro na restauração: não foi possível criar a pasta de trabalho " +
                                   (ocupado / "pastatempbackup").string(),
                               0),
        0u)
        << mensagemStatus();
    esperarBancoIntacto();
}

TEST(TrocaDoBanco, AMissingDatabaseFolderStopsBeforeAnything) {
    const fs::path novo = teste::novaPasta("trabalho") / "BASE.FDB";
    escreverArquivo(novo, "novo");
    for (const std::string& base :
         {(teste::raizTeste() / "nao_existe" / "BASE.FDB").string(), std::string()}) {
        SCOPED_TRACE(base);
        definirMensagemStatus("antes");
        ScriptedUi ui;
        EXPECT_FALSE(aplicarRestauracao(ui, novo.string(), base));
        EXPECT_EQ(mensagemStatus(), kMsgConfigurePastaBase);
        EXPECT_TRUE(ui.chamadas().empty()) << "no check, no notice";
        EXPECT_FALSE(fs::exists(teste::raizTeste() / "nao_existe"));
        EXPECT_EQ(lerArquivo(novo), "novo");
    }
}

}  // namespace
}  // namespace vaultkeep
