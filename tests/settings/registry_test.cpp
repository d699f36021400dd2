#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "settings/registry.hpp"
#include "settings/settings.hpp"
#include "support/test_env.hpp"

namespace vaultkeep {
namespace {

using teste::lerArquivo;

TEST(Registry, OpeningCreatesTheEmptyKey) {
    const fs::path hive = ChaveRegistro::arquivoHive();
    ASSERT_FALSE(fs::exists(hive));
    const ChaveRegistro chave;
    EXPECT_TRUE(chave.aberta());
    EXPECT_EQ(lerArquivo(hive), "REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\VAULTKEEP]\n");
    EXPECT_EQ(chave.lerTexto("ESTABELECIMENTO"), "");
}

TEST(Registry, ReadRulesByType) {
    ChaveRegistro chave;
    using T = TipoRegistro;
    chave.gravarValor("SZ_COM_NUL", T::Sz, std::string("antes\0depois\0", 13));
    chave.gravarValor("SZ_VAZIO", T::Sz, "");
    chave.gravarValor("EXPANDIR", T::ExpandSz, std::string("%HOME%\\x\0", 9));
    chave.gravarValor("NUMERO", T::Dword, std::string("\x01\0\0\0", 4));
    chave.gravarValor("BINARIO", T::Binary, "abc");
    chave.gravarValor("BINARIO_VAZIO", T::Binary, "");
    chave.gravarValor("MULTI", T::MultiSz, std::string("a\0b\0\0", 5));

    // A fresh handle reads what the file holds now.
    const ChaveRegistro outra;
    EXPECT_EQ(outra.lerTexto("SZ_COM_NUL"), "antes");
    EXPECT_EQ(outra.lerTexto("SZ_VAZIO"), "");
    EXPECT_EQ(outra.lerTexto("EXPANDIR"), "%HOME%\\x");  // never expanded
    EXPECT_EQ(outra.lerTexto("AUSENTE"), "");
    EXPECT_EQ(outra.lerTexto("BINARIO_VAZIO"), "");  // size 0 reads empty whatever its type
    for (const char* nome : {"NUMERO", "BINARIO", "MULTI"}) {
        try {
            outra.lerTexto(nome);
            ADD_FAILURE() << nome << " should not read as text";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()), "Invalid data type for '" + std::string(nome) + "'");
        }
    }
    // Value names compare without case, as the registry's do.
    EXPECT_EQ(outra.lerTexto("sz_com_nul"), "antes");
}

TEST(Registry, WritesAreStringValuesThatSurviveAnyText) {
    ChaveRegistro chave;
    const std::string dificil = "C:\\Pasta \"com\" aspas\\ção = ok";
    chave.gravarTexto("A", dificil);
    chave.gravarTexto("B", "linha1\r\nlinha2");
    chave.gravarTexto("A", dificil + "!");  // replaces, no duplicate
    const ChaveRegistro outra;
    EXPECT_EQ(outra.lerTexto("A"), dificil + "!");
    EXPECT_EQ(outra.lerTexto("B"), "linha1\r\nlinha2");
    const std::string texto = lerArquivo(ChaveRegistro::arquivoHive());
    EXPECT_NE(texto.find("\"A\"=\"C:\\\\Pasta \\\"com\\\" aspas\\\\ção = ok!\"\n"),
              std::string::npos)
        << texto;
    EXPECT_NE(texto.find("\"B\"=hex(1):"), std::string::npos) << texto;
}

TEST(Registry, KeyThatCannotBeOpenedReadsEmptyAndFailsWrites) {
    // A file where the configuration folder should be: the hive cannot be made.
    const fs::path bloqueio = teste::raizTeste() / "nao-e-pasta";
    teste::escreverArquivo(bloqueio, "x");
    ::setenv("XDG_CONFIG_HOME", bloqueio.c_str(), 1);
    ChaveRegistro chave;
    EXPECT_FALSE(chave.aberta());
    EXPECT_EQ(chave.lerTexto("ESTABELECIMENTO"), "");
    try {
        chave.gravarTexto("ESTABELECIMENTO", "x");
        FAIL() << "write should fail";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Failed to set data for 'ESTABELECIMENTO'");
    }
    EXPECT_FALSE(VerificarSeConfiguracoesForamPreenchidas());
}

TEST(Registry, UnreadableHiveIsLeftAloneNotOverwritten) {
    const fs::path hive = ChaveRegistro::arquivoHive();
    teste::escreverArquivo(hive, "isto nao e um hive\n");
    ChaveRegistro chave;
    EXPECT_FALSE(chave.aberta());
    EXPECT_THROW(chave.gravarTexto("X", "y"), std::runtime_error);
    EXPECT_EQ(lerArquivo(hive), "isto nao e um hive\n");
}

// Two processes saving complete settings over and over: every read of the hive
// sees a whole file, and the final hive holds one writer's five values, not a mix.
TEST(Registry, TwoProcessesSavingAtOnceNeverLeaveATornOrMixedHive) {
    const fs::path base = teste::novaPasta("dados");
    teste::escreverArquivo(base / "a.fdb", "a");
    teste::escreverArquivo(base / "b.fdb", "b");
    fs::create_directories(base / "pa");
    fs::create_directories(base / "pb");
    { ChaveRegistro criar; }

    auto salvar = [&](const std::string& q) {
        for (int i = 0; i < 40; ++i) {
            const std::string r = salvarConfiguracoes(
                CamposConfiguracao{"Loja " + q, "https://" + q + ".example/api/",
                                   (base / (q + ".fdb")).string(), (base / ("p" + q)).string()});
            if (!r.empty())
                ::_exit(2);
        }
        ::_exit(0);
    };
    pid_t filhos[2];
    for (int i = 0; i < 2; ++i) {
        filhos[i] = ::fork();
        ASSERT_GE(filhos[i], 0);
        if (filhos[i] == 0)
            salvar(i == 0 ? "a" : "b");
    }
    int leituras = 0;
    int estados[2] = {-1, -1};
    for (bool vivos = true; vivos; ++leituras) {
        vivos = false;
        for (int i = 0; i < 2; ++i) {
            if (estados[i] != -1)
                continue;
            int st = 0;
            if (::waitpid(filhos[i], &st, WNOHANG) == filhos[i])
                estados[i] = st;
            else
                vivos = true;
        }
        const std::string texto = lerArquivo(ChaveRegistro::arquivoHive());
        ASSERT_EQ(texto.rfind("REGEDIT4\n", 0), 0u) << texto;
        ASSERT_EQ(texto.back(), '\n') << texto;
        const ChaveRegistro leitura;
        ASSERT_TRUE(leitura.aberta());
    }
    for (int st : estados)
        ASSERT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0) << st;
    const ChaveRegistro chave;
    const std::string nome = chave.lerTexto("ESTABELECIMENTO");
    ASSERT_TRUE(nome == "Loja a" || nome == "Loja b") << nome;
    const std::string q = nome.substr(5);
    EXPECT_EQ(chave.lerTexto("URL_UPLOAD"), "https://" + q + ".example/api/");
    EXPECT_EQ(chave.lerTexto("URL_GETLINK"), "https://" + q + ".example/api//show");
    EXPECT_EQ(chave.lerTexto("ARQUIVO_BASE_PADRAO"), (base / (q + ".fdb")).string());
    EXPECT_EQ(chave.lerTexto("PASTA_PARA_SALVAMENTO"), (base / ("p" + q)).string());
    EXPECT_GT(leituras, 1);
}

}  // namespace
}  // namespace vaultkeep
