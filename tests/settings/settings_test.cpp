#include <gtest/gtest.h>

#include "settings/registry.hpp"
#include "settings/settings.hpp"
#include "support/test_env.hpp"

namespace vaultkeep {
namespace {

TEST(ServerUrlText, RemovesEveryUploadAndFallsBackToTheDefault) {
    struct Caso {
        const char* armazenada;
        const char* campo;
    };
    const Caso casos[] = {
        {"https://h.example/api/upload", "https://h.example/api"},
        {"https://h.example/UPLOAD/api/UpLoad/", "https://h.example/api/"},
        {"https://h.example/api/uploads", "https://h.example/apis"},
        {"https://h.example/api/uploa", "https://h.example/api/uploa"},
        {"/up/uploadload", "/upload"},  // one pass: what remains is not searched again
        {"/upload", kUrlServidorPadrao},
        {"/UPLOAD/upload", kUrlServidorPadrao},
        {"", kUrlServidorPadrao},
    };
    for (const auto& c : casos)
        EXPECT_EQ(textoUrlServidor(c.armazenada), c.campo) << c.armazenada;
    EXPECT_EQ(std::string(kUrlServidorPadrao).substr(0, 8), "https://");
    EXPECT_TRUE(std::string(kUrlServidorPadrao).ends_with("/palisade/api/"));
}

class SettingsStore : public ::testing::Test {
  protected:
    void SetUp() override {
        pasta = teste::novaPasta("backups");
        base = teste::novaPasta("dados") / "BASE.FDB";
        teste::escreverArquivo(base, "db");
    }

    CamposConfiguracao validos() const {
        return {"Padaria", "https://h.example/api/", base.string(), pasta.string()};
    }

    fs::path pasta, base;
};

TEST_F(SettingsStore, ValidationMessagesInOrderAndNothingWritten) {
    struct Caso {
        const char* nome;
        CamposConfiguracao campos;
        const char* mensagem;
    };
    const std::string msgNome =
        "Informe o campo \"Nome do backup para armazenar no servidor online\" corretamente.";
    const std::string msgUrl = "Informe o campo \"URL do servidor\" corretamente.";
    const std::string msgBase =
        "Informe o campo \"Arquivo de base de dados FIREBIRD\" corretamente.";
    const std::string msgPasta =
        "Informe o campo \"Pasta padrão para salvamento dos backups\" corretamente.";
    const Caso casos[] = {
        {"everything empty", {"", "", "", ""}, msgNome.c_str()},
        {"url and file empty", {"N", "", "", ""}, msgUrl.c_str()},
        {"database missing",
         {"N", "u", (pasta / "nao.fdb").string(), pasta.string()},
         msgBase.c_str()},
        {"database is a folder", {"N", "u", pasta.string(), pasta.string()}, msgBase.c_str()},
        {"folder missing", {"N", "u", base.string(), (pasta / "nao").string()}, msgPasta.c_str()},
        {"folder is a file", {"N", "u", base.string(), base.string()}, msgPasta.c_str()},
    };
    for (const auto& c : casos) {
        EXPECT_EQ(salvarConfiguracoes(c.campos), c.mensagem) << c.nome;
        EXPECT_EQ(teste::lerArquivo(ChaveRegistro::arquivoHive()),
                  "REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\VAULTKEEP]\n")
            << c.nome;
    }
}

TEST_F(SettingsStore, SaveWritesTheFiveValuesAsTyped) {
    CamposConfiguracao c = validos();
    c.nomeBackupOnline = "   ";  // blanks only: valid, stored as typed
    ASSERT_EQ(salvarConfiguracoes(c), "");
    const ChaveRegistro chave;
    EXPECT_EQ(chave.lerTexto("ESTABELECIMENTO"), "   ");
    EXPECT_EQ(chave.lerTexto("URL_UPLOAD"), "https://h.example/api/");
    EXPECT_EQ(chave.lerTexto("URL_GETLINK"), "https://h.example/api//show");  // doubled slash kept
    EXPECT_EQ(chave.lerTexto("ARQUIVO_BASE_PADRAO"), base.string());
    EXPECT_EQ(chave.lerTexto("PASTA_PARA_SALVAMENTO"), pasta.string());
    EXPECT_TRUE(VerificarSeConfiguracoesForamPreenchidas());
}

TEST_F(SettingsStore, SymbolicLinkToTheDatabaseCountsByItsTarget) {
    const fs::path link = pasta / "link.fdb";
    fs::create_symlink(base, link);
    CamposConfiguracao c = validos();
    c.arquivoFirebird = link.string();
    EXPECT_EQ(salvarConfiguracoes(c), "");
    fs::remove(base);
    EXPECT_NE(salvarConfiguracoes(c), "");
}

TEST_F(SettingsStore, CompletenessNeedsAllFiveValues) {
    EXPECT_FALSE(VerificarSeConfiguracoesForamPreenchidas());  // new profile
    ChaveRegistro chave;
    chave.gravarTextos({{"ESTABELECIMENTO", "N"},
                        {"URL_UPLOAD", "u"},
                        {"ARQUIVO_BASE_PADRAO", "/nao/existe.fdb"},
                        {"PASTA_PARA_SALVAMENTO", "/nao/existe"}});
    EXPECT_FALSE(VerificarSeConfiguracoesForamPreenchidas());  // URL_GETLINK missing
    chave.gravarTexto("URL_GETLINK", "u/show");
    EXPECT_TRUE(VerificarSeConfiguracoesForamPreenchidas());  // files are not checked
    chave.gravarValor("URL_GETLINK", TipoRegistro::Dword, std::string(4, '\0'));
    EXPECT_FALSE(VerificarSeConfiguracoesForamPreenchidas());  // an error answers false
}

TEST_F(SettingsStore, RunTimeVariablesLoadAsStored) {
    ChaveRegistro chave;
    chave.gravarTextos({{"ESTABELECIMENTO", " Loja "},
                        {"URL_UPLOAD", "https://h.example/api/upload"},
                        {"URL_GETLINK", "https://h.example/api/show"},
                        {"ARQUIVO_BASE_PADRAO", base.string()},
                        {"PASTA_PARA_SALVAMENTO", pasta.string()}});
    carregarConfiguracoesDeVariaveis();
    EXPECT_EQ(nomeEstabelecimento, " Loja ");
    EXPECT_EQ(urlUpload, "https://h.example/api/upload");  // "/upload" kept here
    EXPECT_EQ(urlGetLink, "https://h.example/api/show");
    EXPECT_EQ(arquivoBase, base.string());
    EXPECT_EQ(pastaBackup, pasta.string());
    EXPECT_EQ(chaveServidor, segredoEmbutido());
    EXPECT_EQ(senhaZip, segredoEmbutido());
    EXPECT_FALSE(chaveServidor.empty());

    const CamposConfiguracao campos = carregarConfiguracoes();
    EXPECT_EQ(campos.urlServidor, "https://h.example/api");

    chave.gravarValor("URL_UPLOAD", TipoRegistro::Binary, "x");
    try {
        carregarConfiguracoesDeVariaveis();
        FAIL() << "a binary URL_UPLOAD must not load";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Invalid data type for 'URL_UPLOAD'");
    }
}

}  // namespace
}  // namespace vaultkeep
