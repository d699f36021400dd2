// Restores against the real Firebird server and gfix: archives made by the
// program's own writer (and by the backup pipeline) swapped in for a live
// database file. The server must be running (scripts/firebird start); without it
// these tests fail, they do not skip.

#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "backup/pipeline.hpp"
#include "backup/zip_archive.hpp"
#include "common/paths.hpp"
#include "restore/messages.hpp"
#include "restore/restauracao.hpp"
#include "restore/restore_fixture.hpp"
#include "settings/settings.hpp"
#include "support/filho.hpp"
#include "support/firebird.hpp"
#include "support/scripted_ui.hpp"
#include "support/test_env.hpp"
#include "tools/processos.hpp"
#include "ui/status.hpp"

namespace vaultkeep {
namespace {

namespace fs = std::filesystem;
using teste::lerArquivo;
using teste::mesmoBancoForaDoCabecalho;
using teste::nomesNaPasta;
using teste::ScriptedUi;

const std::string kAviso = std::string("aviso(Vaultkeep|") + kMsgFecheOSistema + ")";
const char* const kCorrompido = "O banco de dados é inválido ou está corrompido.";

ino_t inode(const fs::path& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 ? st.st_ino : 0;
}

class RestauracaoFirebird : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(processoEmExecucao("firebird") || processoEmExecucao("fbserver"))
            << "the Firebird server is not running; start it with scripts/firebird start";
        dados_ = teste::novaPasta("dados");
        base_ = dados_ / "BASE.FDB";
        arquivoBase = base_.string();
        senhaZip = segredoEmbutido();
        definirMensagemStatus("");
    }

    // A sound sample database with `linhas` rows, made in a folder of its own.
    static fs::path amostra(const std::string& nome, int linhas) {
        const fs::path banco = teste::novaPasta("amostra_" + nome) / "BASE.FDB";
        teste::criarBancoAmostra(banco, linhas);
        return banco;
    }

    // An archive holding `banco` under the entry name `entrada`.
    static fs::path arquivar(const fs::path& banco, const std::string& entrada = "BASE.FDB") {
        const fs::path pasta = teste::novaPasta("entrada_" + entrada + "_" + std::to_string(++n_));
        fs::copy_file(banco, pasta / entrada);
        return teste::criarArquivoBackup(
            teste::raizTeste() / ("arquivo" + std::to_string(n_) + ".zip"), {pasta / entrada});
    }

    // The database file an archive holds, extracted apart from the restore.
    static fs::path conteudo(const fs::path& arquivo) {
        const fs::path pasta = teste::novaPasta("conferencia_" + std::to_string(++n_));
        UiPortSemPessoa ui;
        extrairArquivos(ui, arquivo.string(), pasta.string(), "*.FDB", segredoEmbutido());
        return pasta / *nomesNaPasta(pasta).begin();
    }

    fs::path antiga(int n = 1) const {
        return dados_ / (teste::radicalDeHoje() + (n > 1 ? "_" + std::to_string(n) : "") + ".FDB");
    }

    fs::path dados_, base_;
    static inline int n_ = 0;
};

TEST_F(RestauracaoFirebird, ABackupMadeByThePipelineIsRestoredFromItsArchive) {
    teste::criarBancoAmostra(base_, 300);
    nomeEstabelecimento = "Padaria Central";
    const fs::path destino = teste::novaPasta("backups");
    {
        ScriptedUi ui;
        ASSERT_TRUE(realizarBackup(ui, base_.string(), destino.string(), false))
            << mensagemStatus();
    }
    ASSERT_EQ(nomesNaPasta(destino).size(), 1u);
    const fs::path arquivo = destino / *nomesNaPasta(destino).begin();
    const fs::path arquivado = conteudo(arquivo);

    // The live database moves on after the backup; it is owned by the server's
    // user, which must still open the restored file.
    fs::remove(base_);
    teste::criarBancoAmostra(base_, 700);
    teste::abrirParaServidor(base_);
    const passwd* firebird = ::getpwnam("firebird");
    ASSERT_NE(firebird, nullptr);
    ASSERT_EQ(::chown(base_.c_str(), firebird->pw_uid, firebird->pw_gid), 0);
    ASSERT_EQ(::chmod(base_.c_str(), 0660), 0);
    const std::string anterior = lerArquivo(base_);

    ScriptedUi ui;
    EXPECT_TRUE(restaurarBackup(ui, "local", arquivo.string())) << mensagemStatus();
    EXPECT_EQ(mensagemStatus(), kMsgRestauracaoConcluida);
    EXPECT_EQ(ui.contar(kAviso), 1) << ::testing::PrintToString(ui.chamadas());
    EXPECT_TRUE(mesmoBancoForaDoCabecalho(base_, arquivado)) << "the live path holds another file";
    EXPECT_TRUE(lerArquivo(antiga()) == anterior) << "the previous database was not kept whole";
    EXPECT_EQ(nomesNaPasta(dados_), (std::set<std::string>{"BASE.FDB", antiga().filename()}));
    EXPECT_FALSE(fs::exists(raizTrabalho())) << "the work root was left behind";

    struct stat st {};
    ASSERT_EQ(::stat(base_.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, firebird->pw_uid);
    EXPECT_EQ(st.st_gid, firebird->pw_gid);
    EXPECT_EQ(st.st_mode & 07777, 0660u);
    EXPECT_NO_THROW(teste::executarSqlNoServidor(base_, "select count(*) from clientes;"));
}

TEST_F(RestauracaoFirebird, RestoresOnTheSameDayKeepEveryPreviousFile) {
    teste::criarBancoAmostra(base_, 300);
    const std::string original = lerArquivo(base_);
    teste::escreverArquivo(antiga(1), "guardada por uma restauração de hoje cedo");
    const fs::path arquivo = arquivar(amostra("nova", 500));
    const fs::path arquivado = conteudo(arquivo);

    ScriptedUi ui;
    ASSERT_TRUE(restaurarBackup(ui, "local", arquivo.string())) << mensagemStatus();
    const std::string primeiraRestaurada = lerArquivo(base_);
    ASSERT_TRUE(restaurarBackup(ui, "local", arquivo.string())) << mensagemStatus();

    EXPECT_EQ(nomesNaPasta(dados_),
              (std::set<std::string>{"BASE.FDB", antiga(1).filename(), antiga(2).filename(),
                                     antiga(3).filename()}));
    EXPECT_EQ(lerArquivo(antiga(1)), "guardada por uma restauração de hoje cedo");
    EXPECT_TRUE(lerArquivo(antiga(2)) == original);
    EXPECT_TRUE(lerArquivo(antiga(3)) == primeiraRestaurada);
    EXPECT_TRUE(mesmoBancoForaDoCabecalho(base_, arquivado));
    EXPECT_EQ(ui.contar(kAviso), 2);
}

TEST_F(RestauracaoFirebird, AnArchiveWhoseDatabaseFailsTheFirstCheck) {
    teste::criarBancoAmostra(base_, 300);
    const std::string original = lerArquivo(base_);
    const fs::path danificado = amostra("danificada", 500);
    teste::zerarPaginaDeDados(danificado);
    const fs::path arquivo = arquivar(danificado);

    // The five programs of the establishment, each as a copy of sleep.
    std::vector<std::unique_ptr<teste::Filho>> programas;
    for (const char* nome :
         {"Ledgerdesk", "tillpoint", "Server_Tillpoint", "Config_Tillpoint", "Dashpanel"})
        programas.push_back(std::make_unique<teste::Filho>(teste::copiaDeSleep(nome),
                                                           std::vector<std::string>{"300"}));
    ASSERT_TRUE(processoEmExecucao("tillpoint"));

    ScriptedUi ui;
    EXPECT_FALSE(restaurarBackup(ui, "local", arquivo.string()));
    EXPECT_EQ(mensagemStatus(), kCorrompido);
    EXPECT_EQ(ui.contar("aviso"), 0) << "no notice before a sound file";
    EXPECT_TRUE(lerArquivo(base_) == original);
    EXPECT_EQ(nomesNaPasta(dados_), std::set<std::string>{"BASE.FDB"});
    for (auto& p : programas) {
        const int st = p->aguardar(std::chrono::seconds(5));
        EXPECT_TRUE(st != -1 && WIFSIGNALED(st) && WTERMSIG(st) == SIGKILL)
            << "pid " << p->pid() << " was not stopped";
    }
}

TEST_F(RestauracaoFirebird, ACopyThatFailsTheSecondCheckIsRolledBack) {
    struct Caso {
        const char* nome;
        bool nomesOcupados;  // an earlier restore of today left both names taken
        const char* rejeitada;
    };
    const Caso casos[] = {
        {"clean folder", false, "baseCorrompida.falha"},
        {"names taken", true, "baseCorrompida_2.falha"},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nome);
        teste::removerArvore(dados_);
        fs::create_directories(dados_);
        teste::criarBancoAmostra(base_, 300);
        const std::string original = lerArquivo(base_);
        std::set<std::string> esperados{"BASE.FDB", c.rejeitada};
        if (c.nomesOcupados) {
            teste::escreverArquivo(antiga(1), "guardada antes");
            teste::escreverArquivo(dados_ / "baseCorrompida.falha", "rejeitada antes");
            esperados.insert({antiga(1).filename(), "baseCorrompida.falha"});
        }
        // The new file passes the first check and is damaged before the copy,
        // as a failing disk would.
        const fs::path novo = teste::novaPasta(std::string("trabalho_") + c.rejeitada) / "BASE.FDB";
        teste::criarBancoAmostra(novo, 500);
        teste::UiComAcaoNoAviso ui;
        ui.aoAvisar = [&] { teste::zerarPaginaDeDados(novo); };

        EXPECT_FALSE(aplicarRestauracao(ui, novo.string(), base_.string()));
        EXPECT_EQ(mensagemStatus(), kMsgBaseAnteriorRestaurada);
        EXPECT_TRUE(lerArquivo(base_) == original);
        EXPECT_EQ(nomesNaPasta(dados_), esperados);
        EXPECT_TRUE(mesmoBancoForaDoCabecalho(dados_ / c.rejeitada, novo))
            << "the rejected copy was not kept";
        if (c.nomesOcupados) {
            EXPECT_EQ(lerArquivo(antiga(1)), "guardada antes");
            EXPECT_EQ(lerArquivo(dados_ / "baseCorrompida.falha"), "rejeitada antes");
        }
    }
}

TEST_F(RestauracaoFirebird, ACopyThatCannotBeMadePutsThePreviousFileBack) {
    teste::criarBancoAmostra(base_, 300);
    const std::string original = lerArquivo(base_);
    const fs::path novo = teste::novaPasta("trabalho") / "BASE.FDB";
    teste::criarBancoAmostra(novo, 500);
    teste::UiComAcaoNoAviso ui;
    ui.aoAvisar = [&] { fs::rename(novo, novo.parent_path() / "levado.FDB"); };  // vanished

    EXPECT_FALSE(aplicarRestauracao(ui, novo.string(), base_.string()));
    EXPECT_EQ(mensagemStatus(),
              "Falha na restauração, não foi possível copiar a nova base (No such file or "
              "directory). A base anterior foi restaurada!");
    EXPECT_TRUE(lerArquivo(base_) == original);
    EXPECT_EQ(nomesNaPasta(dados_), std::set<std::string>{"BASE.FDB"}) << "a temporary copy stayed";
}

TEST_F(RestauracaoFirebird, TheLiveFileHeldOpenIsRefusedAndUntouched) {
    const fs::path arquivo = arquivar(amostra("nova", 500));
    for (const bool peloServidor : {false, true}) {
        SCOPED_TRACE(peloServidor ? "an attachment through the server"
                                  : "a program of this computer");
        teste::removerArvore(dados_);
        fs::create_directories(dados_);
        teste::criarBancoAmostra(base_, 300);
        teste::abrirParaServidor(base_);
        std::unique_ptr<teste::ProcessoComArquivo> programa;
        std::unique_ptr<teste::ConexaoServidor> conexao;
        if (peloServidor)
            conexao = std::make_unique<teste::ConexaoServidor>(base_);
        else
            programa = std::make_unique<teste::ProcessoComArquivo>("caixa_vk", base_);
        const ino_t antes = inode(base_);
        const fs::path copia = teste::raizTeste() / "copia_do_vivo.FDB";
        fs::copy_file(base_, copia, fs::copy_options::overwrite_existing);

        ScriptedUi ui;
        EXPECT_FALSE(restaurarBackup(ui, "local", arquivo.string()));
        EXPECT_EQ(mensagemStatus(), std::string(kMsgEmUsoInicio) +
                                        (peloServidor ? "firebird" : "caixa_vk") + kMsgEmUsoFim);
        EXPECT_EQ(ui.contar(kAviso), 1);
        EXPECT_EQ(inode(base_), antes) << "the live file was moved or replaced";
        EXPECT_TRUE(mesmoBancoForaDoCabecalho(base_, copia));
        EXPECT_EQ(nomesNaPasta(dados_), std::set<std::string>{"BASE.FDB"});
    }
}

TEST_F(RestauracaoFirebird, TheServerHoldingTheFileIsSeenWithoutRightsOnItsProcess) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to run the question as another user";
    teste::criarBancoAmostra(base_, 300);
    teste::abrirParaServidor(base_);
    EXPECT_EQ(teste::perguntarComoNobody(base_), "livre");
    teste::ConexaoServidor conexao(base_);
    EXPECT_EQ(teste::perguntarComoNobody(base_), "firebird");
    conexao.encerrar();
    EXPECT_EQ(teste::perguntarComoNobody(base_), "livre") << "the server let the file go";
}

TEST_F(RestauracaoFirebird, AnEntryInLowerCaseAndALostDatabase) {
    // The live file is gone (the reason to restore): there is nothing to keep.
    const fs::path arquivo = arquivar(amostra("minusculas", 400), "dados.fdb");
    const fs::path arquivado = conteudo(arquivo);
    ASSERT_EQ(arquivado.filename(), "dados.fdb");

    ScriptedUi ui;
    EXPECT_TRUE(restaurarBackup(ui, "local", arquivo.string())) << mensagemStatus();
    EXPECT_EQ(mensagemStatus(), kMsgRestauracaoConcluida);
    EXPECT_EQ(nomesNaPasta(dados_), std::set<std::string>{"BASE.FDB"});
    EXPECT_TRUE(mesmoBancoForaDoCabecalho(base_, arquivado));
    EXPECT_EQ(ui.contar(kAviso), 1);
}

}  // namespace
}  // namespace vaultkeep
