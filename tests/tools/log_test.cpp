#include <signal.h>
#include <sys/resource.h>

#include <ctime>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/filho.hpp"
#include "support/scripted_ui.hpp"
#include "support/test_env.hpp"
#include "tools/log.hpp"

namespace vaultkeep {
namespace {

namespace fs = std::filesystem;
using teste::lerArquivo;

const std::string kSeparador = std::string(43, '-') + " ";
const std::string kLinhaData = R"(Data: \d\d/\d\d/\d{4} \d\d:\d\d:\d\d\r\n)";

TEST(EntradaLog, BytesOfAnEntry) {
    std::tm quando{};
    quando.tm_year = 2024 - 1900;
    quando.tm_mon = 0;
    quando.tm_mday = 2;
    quando.tm_hour = 3;
    quando.tm_min = 4;
    quando.tm_sec = 5;
    // Windows-1252, not Latin-1: the euro sign is 0x80; a character the code page
    // lacks becomes "?".
    const std::string entrada =
        montarEntradaLog(quando, "Informação", "03:04:05custo € 10 日本\nsegunda linha");
    EXPECT_EQ(entrada,
              "Data: 02/01/2024 03:04:05\r\n"
              "Informa\xE7\xE3o 03:04:05custo \x80 10 ??\nsegunda linha\r\n" +
                  kSeparador + "\r\n");
    EXPECT_EQ(kSeparadorLog.size(), 44u);
    EXPECT_EQ(std::string(kSeparadorLog), kSeparador);
}

TEST(GravarLog, CreatesThenAppendsKeepingWhatWasThere) {
    const fs::path arquivo = teste::raizTeste() / "log.txt";
    gravarLog(arquivo, "Resultado", "12:00:00");
    const std::string primeiro = lerArquivo(arquivo);
    EXPECT_TRUE(std::regex_match(
        primeiro, std::regex(kLinhaData + "Resultado 12:00:00\r\n" + kSeparador + "\r\n")))
        << primeiro;

    gravarLog(arquivo, "Erro", "12:00:01 : falhou");
    const std::string ambos = lerArquivo(arquivo);
    ASSERT_EQ(ambos.substr(0, primeiro.size()), primeiro);
    EXPECT_TRUE(std::regex_match(
        ambos.substr(primeiro.size()),
        std::regex(kLinhaData + "Erro 12:00:01 : falhou\r\n" + kSeparador + "\r\n")));
}

TEST(GravarLog, FailuresRaiseWithTheSystemsText) {
    const fs::path raiz = teste::raizTeste();
    struct Caso {
        fs::path arquivo;
        int erro;
        const char* texto;
    };
    const Caso casos[] = {
        {raiz / "pasta_que_falta" / "log.txt", ENOENT, "No such file or directory"},
        {raiz, EISDIR, "Is a directory"},
        {"/dev/full", ENOSPC, "No space left on device"},
    };
    for (const auto& c : casos) {
        try {
            gravarLog(c.arquivo, "Informação", "x");
            ADD_FAILURE() << "no error for " << c.arquivo;
        } catch (const std::system_error& e) {
            EXPECT_EQ(e.code().value(), c.erro) << c.arquivo;
            EXPECT_STREQ(e.what(), c.texto);
        }
    }
}

TEST(GravarLog, AWriteThatFailsPartWayLeavesTheFileAsItWas) {
    const fs::path arquivo = teste::raizTeste() / "log.txt";
    const std::string antes(100, 'a');
    teste::escreverArquivo(arquivo, antes);
    // The file may grow by 30 bytes only: the entry is cut short by the system.
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit original{};
    ::getrlimit(RLIMIT_FSIZE, &original);
    rlimit limite = original;
    limite.rlim_cur = 130;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limite), 0);
    bool falhou = false;
    try {
        gravarLog(arquivo, "Resultado", std::string(200, 'b'));
    } catch (const std::system_error& e) {
        falhou = true;
        EXPECT_EQ(e.code().value(), EFBIG);
    }
    ::setrlimit(RLIMIT_FSIZE, &original);
    EXPECT_TRUE(falhou);
    EXPECT_EQ(lerArquivo(arquivo), antes);
}

// Splits a log into its entries, failing on anything that is not a whole entry;
// gives each entry's second line.
std::vector<std::string> entradas(const std::string& log) {
    std::vector<std::string> linhas2;
    const std::regex data(kLinhaData);
    const std::string fimEntrada = "\r\n" + kSeparador + "\r\n";
    std::size_t pos = 0;
    while (pos < log.size()) {
        const auto fimData = log.find("\r\n", pos);
        const auto fim = log.find(fimEntrada, pos);
        if (fimData == std::string::npos || fim == std::string::npos ||
            !std::regex_match(log.substr(pos, fimData + 2 - pos), data) ||
            log.substr(fimData + 2, fim - fimData - 2).find('\r') != std::string::npos) {
            ADD_FAILURE() << "torn entry at byte " << pos;
            break;
        }
        linhas2.push_back(log.substr(fimData + 2, fim - fimData - 2));
        pos = fim + fimEntrada.size();
    }
    return linhas2;
}

TEST(GravarLog, ThreadsAndProcessesWritingAtOnceKeepEntriesWhole) {
    const fs::path arquivo = teste::raizTeste() / "log.txt";
    constexpr int kPorEscritor = 300;
    // A long message, so that an entry does not fit one small write.
    const std::string recheio(3000, 'r');
    auto escrever = [&](const std::string& titulo) {
        for (int i = 0; i < kPorEscritor; ++i)
            gravarLog(arquivo, titulo, "entrada " + std::to_string(i) + " " + recheio);
    };
    {
        teste::Filho p1(AJUDANTE, {"log", arquivo.string(), std::to_string(kPorEscritor), "P1"});
        teste::Filho p2(AJUDANTE, {"log", arquivo.string(), std::to_string(kPorEscritor), "P2"});
        std::thread t1(escrever, "T1"), t2(escrever, "T2");
        t1.join();
        t2.join();
        EXPECT_EQ(p1.aguardar(std::chrono::seconds(60)), 0);
        EXPECT_EQ(p2.aguardar(std::chrono::seconds(60)), 0);
    }
    // Every writer's entries are all there, whole and in its own order.
    std::map<std::string, int> proxima;
    for (const std::string& l : entradas(lerArquivo(arquivo))) {
        const auto branco = l.find(' ');
        const std::string titulo = l.substr(0, branco);
        std::string esperado = "entrada " + std::to_string(proxima[titulo]++);
        if (titulo[0] == 'T')
            esperado += " " + recheio;
        EXPECT_EQ(l.substr(branco + 1), esperado) << titulo;
    }
    EXPECT_EQ(proxima, (std::map<std::string, int>{{"P1", kPorEscritor},
                                                   {"P2", kPorEscritor},
                                                   {"T1", kPorEscritor},
                                                   {"T2", kPorEscritor}}));
}

TEST(ApplicationEvents1Exception, HidesTheAnimationAndLogsTheError) {
    teste::ScriptedUi ui;
    ApplicationEvents1Exception(ui, "Access violation at address 0");
    EXPECT_EQ(ui.chamadas(), std::vector<std::string>{"pararAnimacao"});
    EXPECT_EQ(arquivoLog(), teste::raizTeste() / "program" / "log.txt");
    const std::string log = lerArquivo(arquivoLog());
    EXPECT_TRUE(std::regex_match(log, std::regex(kLinhaData + "Informa\xE7\xE3o " +
                                                 R"(\d\d:\d\d:\d\dAccess violation at address 0)" +
                                                 "\r\n" + kSeparador + "\r\n")))
        << log;
}

TEST(ApplicationEvents1Exception, SwallowsItsOwnLoggingFailure) {
    // The program folder lies below a plain file: nothing can be created there.
    const fs::path bloqueio = teste::raizTeste() / "bloqueio";
    teste::escreverArquivo(bloqueio, "");
    ::setenv("VAULTKEEP_HOME", (bloqueio / "program").c_str(), 1);
    teste::ScriptedUi ui;
    ApplicationEvents1Exception(ui, "erro");  // noexcept: a throw would end the test process
    EXPECT_EQ(ui.chamadas(), std::vector<std::string>{"pararAnimacao"});
    EXPECT_FALSE(fs::exists(bloqueio / "program"));
}

}  // namespace
}  // namespace vaultkeep
