#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "online/download.hpp"
#include "support/test_env.hpp"

namespace vaultkeep {
namespace {

namespace fs = std::filesystem;
using teste::escreverArquivo;
using teste::novaPasta;

// A tools folder holding an executable "wget", set as VAULTKEEP_TOOLS_DIR.
fs::path ferramentasComWget() {
    const auto pasta = novaPasta("ferramentas");
    escreverArquivo(pasta / "wget", "#!/bin/sh\nexit 0\n");
    ::chmod((pasta / "wget").c_str(), 0755);
    ::setenv("VAULTKEEP_TOOLS_DIR", pasta.c_str(), 1);
    return pasta;
}

std::string mensagem(const std::function<void()>& f) {
    try {
        f();
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "(nothing thrown)";
}

TEST(ComandoDownload, WgetLinkDashOTargetEachOneArgument) {
    const auto ferramentas = ferramentasComWget();
    const fs::path trabalho = "/tmp/pasta com espaço/pastatempbackup/ABC";
    struct Caso {
        std::string link;
        std::string nome;
        std::string destino;
    };
    const Caso casos[] = {
        {"https://h/b.zip", "Backup_Vaultkeep_04_02_2025_14_30.zip",
         "Backup_Vaultkeep_04_02_2025_14_30.zip"},
        {"https://h/a b;rm -rf ~ $(id) `id` | x & y > z.zip", "nome com espaço;$(id).zip",
         "nome com espaço;$(id).zip"},
        {"https://h/t", "", "temp.zip"},
        // The server's name never leaves the work folder.
        {"https://h/t", "../../etc/passwd", "passwd"},
        {"https://h/t", "/root/.profile", ".profile"},
        {"https://h/t", "..\\..\\x.zip", "x.zip"},
        {"https://h/t", "..", "temp.zip"},
        {"https://h/t", "pasta/", "temp.zip"},
    };
    for (const auto& c : casos) {
        const BackupOnline b{c.link, "2025-02-04", c.nome};
        const std::vector<std::string> esperado = {(ferramentas / "wget").string(), c.link, "-O",
                                                   (trabalho / c.destino).string()};
        EXPECT_EQ(comandoDownload(b, trabalho), esperado) << c.nome;
    }
}

TEST(ComandoDownload, RefusesAMissingToolAnEmptyLinkAndALinkThatIsAnOption) {
    const fs::path trabalho = novaPasta("trabalho");
    ::setenv("VAULTKEEP_TOOLS_DIR", novaPasta("vazia").c_str(), 1);
    EXPECT_EQ(mensagem([&] {
                  comandoDownload({"https://h/a.zip", "", ""}, trabalho);
              }),
              "O aplicativo de download não existe. (wget.exe)");
    ferramentasComWget();
    for (const char* link : {"", "-e", "--execute=use_askpass=/tmp/x", "-O/etc/passwd"})
        EXPECT_EQ(mensagem([&] {
                      comandoDownload({link, "", "a.zip"}, trabalho);
                  }),
                  "Erro ao iniciar download.")
            << link;
}

}  // namespace
}  // namespace vaultkeep
