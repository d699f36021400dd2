// config mostrar and config salvar: the window's settings, read and written by
// the same store, with the window's validation messages.

#include <gtest/gtest.h>

#include "cli_teste.hpp"
#include "common/codepage.hpp"
#include "common/paths.hpp"
#include "settings/registry.hpp"
#include "settings/settings.hpp"
#include "support/test_env.hpp"

namespace vaultkeep {
namespace {

namespace fs = std::filesystem;
using teste::linhas;
using teste::rodarCli;

class CliConfig : public ::testing::Test {
  protected:
    void SetUp() override {
        banco = teste::novaPasta("loja") / "LOJA.FDB";
        teste::escreverArquivo(banco, "not a real database: only its existence is checked");
        backups = teste::novaPasta("backups");
    }

    static teste::Execucao salvar(const std::string& nome, const std::string& url,
                                  const std::string& base, const std::string& pasta,
                                  const fs::path& cwd = {}) {
        teste::OpcoesExecucao op;
        op.pasta = cwd;
        return rodarCli({"config", "salvar", "--estabelecimento", nome, "--url", url, "--base",
                         base, "--pasta", pasta},
                        op);
    }

    static std::vector<std::string> mostrar() {
        const auto r = rodarCli({"config", "mostrar"});
        EXPECT_EQ(r.codigo, 0) << r.saida;
        auto l = linhas(r.saida);
        return l;
    }

    fs::path banco, backups;
};

TEST_F(CliConfig, ANewProfileShowsFiveEmptySettings) {
    EXPECT_EQ(mostrar(),
              (std::vector<std::string>{"ESTABELECIMENTO=", "URL_UPLOAD=", "URL_GETLINK=",
                                        "ARQUIVO_BASE_PADRAO=", "PASTA_PARA_SALVAMENTO="}));
}

TEST_F(CliConfig, SaveWritesWhatTheWindowWritesAndTheCoreReadsIt) {
    const auto r = salvar("Padaria São João ", "https://backup.example/palisade/api/",
                          banco.string(), backups.string());
    EXPECT_EQ(r.codigo, 0) << r.saida;
    EXPECT_EQ(r.saida, "");
    EXPECT_EQ(mostrar(), (std::vector<std::string>{
                             "ESTABELECIMENTO=Padaria São João ",
                             "URL_UPLOAD=https://backup.example/palisade/api/",
                             "URL_GETLINK=https://backup.example/palisade/api//show",
                             "ARQUIVO_BASE_PADRAO=" + banco.string(),
                             "PASTA_PARA_SALVAMENTO=" + backups.string(),
                         }));
    // The program's own loaders see the same settings.
    carregarConfiguracoesDeVariaveis();
    EXPECT_EQ(nomeEstabelecimento, "Padaria São João ");
    EXPECT_EQ(arquivoBase, banco.string());
    EXPECT_EQ(pastaBackup, backups.string());
    EXPECT_TRUE(VerificarSeConfiguracoesForamPreenchidas());
}

TEST_F(CliConfig, RelativePathsAreStoredAsFullPaths) {
    const auto r = salvar("Loja", "https://s/", "loja/LOJA.FDB", "./backups", teste::raizTeste());
    ASSERT_EQ(r.codigo, 0) << r.saida;
    const auto l = mostrar();
    ASSERT_EQ(l.size(), 5u);
    EXPECT_EQ(fs::path(l[3].substr(l[3].find('=') + 1)), banco);
    const fs::path pasta = l[4].substr(l[4].find('=') + 1);
    EXPECT_TRUE(pasta.is_absolute()) << pasta;
    EXPECT_TRUE(fs::equivalent(pasta, backups));
}

TEST_F(CliConfig, AnInvalidFieldGivesTheWindowsMessageAndWritesNothing) {
    ASSERT_EQ(salvar("Loja", "https://s/", banco.string(), backups.string()).codigo, 0);
    const auto antes = mostrar();
    const fs::path arquivoComum = teste::raizTeste() / "loja" / "LOJA.FDB";
    struct Caso {
        std::string nome, url, base, pasta, mensagem;
    };
    const std::string naoExiste = (teste::raizTeste() / "nada").string();
    const std::vector<Caso> casos = {
        {"", "https://t/", banco.string(), backups.string(),
         "Informe o campo \"Nome do backup para armazenar no servidor online\" corretamente."},
        {"Outra", "", banco.string(), backups.string(),
         "Informe o campo \"URL do servidor\" corretamente."},
        {"Outra", "https://t/", naoExiste, backups.string(),
         "Informe o campo \"Arquivo de base de dados FIREBIRD\" corretamente."},
        {"Outra", "https://t/", backups.string(), backups.string(),
         "Informe o campo \"Arquivo de base de dados FIREBIRD\" corretamente."},
        {"Outra", "https://t/", banco.string(), naoExiste,
         "Informe o campo \"Pasta padrão para salvamento dos backups\" corretamente."},
        {"Outra", "https://t/", banco.string(), arquivoComum.string(),
         "Informe o campo \"Pasta padrão para salvamento dos backups\" corretamente."},
    };
    for (const auto& c : casos) {
        const auto r = salvar(c.nome, c.url, c.base, c.pasta);
        EXPECT_EQ(r.codigo, 1) << c.mensagem;
        EXPECT_EQ(r.saida, c.mensagem + "\n");
        EXPECT_EQ(mostrar(), antes) << c.mensagem;
    }
}

TEST_F(CliConfig, AValueOfTheWrongTypeFailsWithTheRegistryErrorAndIsLogged) {
    ASSERT_EQ(salvar("Loja", "https://s/", banco.string(), backups.string()).codigo, 0);
    ChaveRegistro().gravarValor(kValorUrlUpload, TipoRegistro::Dword, std::string("\x01\0\0\0", 4));
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"config", "mostrar"}, {"backup"}, {"verificar"}}) {
        const auto r = rodarCli(args);
        EXPECT_EQ(r.codigo, 1) << args[0] << "\n" << r.saida;
        EXPECT_EQ(r.saida, "vaultkeep-cli: Invalid data type for 'URL_UPLOAD'\n") << args[0];
    }
    // The error reached nobody's screen in the window; the log keeps it.
    const std::string log = ansiParaUtf8(teste::lerArquivo(pastaPrograma() / "log.txt"));
    EXPECT_NE(log.find("Informação "), std::string::npos) << log;
    EXPECT_NE(log.find("Invalid data type for 'URL_UPLOAD'"), std::string::npos) << log;
}

}  // namespace
}  // namespace vaultkeep
