#include <sys/wait.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/filho.hpp"
#include "support/firebird_falso.hpp"
#include "support/test_env.hpp"
#include "tools/processos.hpp"

namespace vaultkeep {
namespace {

namespace fs = std::filesystem;
using teste::Filho;

using teste::copiaDeSleep;

bool mortoPorSigkill(int status) {
    return status != -1 && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

TEST(NomeProcesso, ComparisonRule) {
    struct Caso {
        const char* executavel;
        const char* nome;
        bool corresponde;
    };
    const Caso casos[] = {
        {"/usr/sbin/firebird", "firebird", true},
        {"/usr/sbin/firebird", "FireBird", true},
        {"/opt/pdv/tillpoint", "TILLPOINT.exe", true},  // the Windows name finds the program
        {"/opt/pdv/tillpoint", "tillpoint.EXE", true},
        {"tillpoint.exe", "TILLPOINT.EXE", true},  // a name read from comm keeps its suffix
        {"/opt/pdv/tillpoint", "TILLPOINT.exe.exe", false},
        {"/opt/pdv/tillpoint", "till", false},  // equality, not a substring
        {"/opt/pdv/tillpoint2", "tillpoint", false},
        {"/opt/pdv/tillpoint", "/opt/pdv/tillpoint",
         true},  // the whole path, failing the last part
        {"/opt/pdv/tillpoint", "/OPT/PDV/TILLPOINT", true},
        {"/opt/ação", "AçãO", true},  // only a to z change case
        {"/opt/ação", "AÇÃO", false},
        {"/opt/pdv/tillpoint", "", false},
        {"/opt/pdv/.exe", ".exe", true},
        {"/opt/pdv/x", ".exe", false},  // the suffix alone leaves no name
    };
    for (const auto& c : casos)
        EXPECT_EQ(nomeProcessoCorresponde(c.executavel, c.nome), c.corresponde)
            << c.executavel << " / " << c.nome;
}

TEST(FinalizarProcesso, KillsEveryInstanceAndNothingElse) {
    const fs::path tillpoint = copiaDeSleep("tillpoint");
    const fs::path vizinho = copiaDeSleep("tillpoint_vizinho");
    std::vector<std::unique_ptr<Filho>> instancias;
    for (int i = 0; i < 3; ++i)
        instancias.push_back(std::make_unique<Filho>(tillpoint, std::vector<std::string>{"300"}));
    Filho outro(vizinho, {"300"});

    EXPECT_TRUE(processoEmExecucao("tillpoint"));
    EXPECT_TRUE(processoEmExecucao("TILLPOINT.exe"));
    finalizarProcesso("TILLPOINT.exe");
    for (auto& f : instancias)
        EXPECT_TRUE(mortoPorSigkill(f->aguardar())) << "pid " << f->pid();
    EXPECT_FALSE(processoEmExecucao("tillpoint"));
    EXPECT_EQ(outro.aguardar(std::chrono::milliseconds(200)), -1) << "a bystander was killed";
    EXPECT_TRUE(processoEmExecucao("tillpoint_vizinho"));
}

TEST(FinalizarProcesso, ANonAsciiLetterInAnotherCaseDoesNotMatch) {
    Filho acao(copiaDeSleep("ação"), {"300"});
    EXPECT_FALSE(processoEmExecucao("AÇÃO"));
    finalizarProcesso("AÇÃO.exe");
    EXPECT_EQ(acao.aguardar(std::chrono::milliseconds(200)), -1);

    EXPECT_TRUE(processoEmExecucao("AçãO"));
    finalizarProcesso("AçãO.exe");
    EXPECT_TRUE(mortoPorSigkill(acao.aguardar()));
}

TEST(ProcessoEmExecucao, EmptyNameZombieAndReplacedExecutable) {
    EXPECT_FALSE(processoEmExecucao(""));
    finalizarProcesso("");  // must not touch anything, nor fail

    // A program that has ended but was not yet reaped is not running.
    Filho zumbi(copiaDeSleep("zumbi_vk"), {"0"});
    siginfo_t info{};
    ASSERT_EQ(::waitid(P_PID, static_cast<id_t>(zumbi.pid()), &info, WEXITED | WNOWAIT), 0);
    EXPECT_FALSE(processoEmExecucao("zumbi_vk"));

    // A program whose file was removed while it runs still counts (an upgraded
    // server keeps running from the old file).
    const fs::path apagado = copiaDeSleep("apagado_vk");
    Filho vivo(apagado, {"300"});
    fs::remove(apagado);
    EXPECT_TRUE(processoEmExecucao("apagado_vk"));
    finalizarProcesso("apagado_vk");
    EXPECT_TRUE(mortoPorSigkill(vivo.aguardar()));
}

}  // namespace
}  // namespace vaultkeep
