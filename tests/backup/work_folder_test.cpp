#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>

#include "backup/cleanup.hpp"
#include "backup/work_folder.hpp"
#include "common/paths.hpp"
#include "support/test_env.hpp"
#include "tools/md5.hpp"

namespace vaultkeep {
namespace {

std::tm momento(int ano, int mes, int dia, int hora, int minuto, int segundo) {
    std::tm t{};
    t.tm_year = ano - 1900, t.tm_mon = mes - 1, t.tm_mday = dia;
    t.tm_hour = hora, t.tm_min = minuto, t.tm_sec = segundo;
    t.tm_isdst = -1;
    std::mktime(&t);
    return t;
}

TEST(BackupNames, ArchiveAndWorkFolder) {
    const std::tm t = momento(2025, 2, 4, 14, 30, 5);
    EXPECT_EQ(nomeArquivoBackup(t), "Backup_Vaultkeep_04_02_2025_14_30.zip");
    EXPECT_EQ(nomeArquivoBackup(momento(2026, 12, 31, 9, 7, 0)),
              "Backup_Vaultkeep_31_12_2026_09_07.zip");
    const fs::path w = pastaTrabalho(t);
    EXPECT_EQ(w.parent_path(), raizTrabalho());
    EXPECT_EQ(w.filename().string(), md5Hex("04/02/202514:30:05"));
    EXPECT_EQ(raizTrabalho(), fs::path(std::getenv("TEMP")) / "pastatempbackup");
}

std::chrono::system_clock::time_point instante(const std::tm& t) {
    std::tm c = t;
    return std::chrono::system_clock::from_time_t(std::mktime(&c));
}

void datar(const fs::path& p, const std::tm& t) {
    std::tm c = t;
    const std::time_t s = std::mktime(&c);
    const timespec tempos[2] = {{s, 0}, {s, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, p.c_str(), tempos, AT_SYMLINK_NOFOLLOW), 0) << p;
}

TEST(OldArchiveCleanUp, YesterdayGoesTodayStaysOthersUntouched) {
    const fs::path pasta = teste::novaPasta("backups");
    const fs::path fora = teste::novaPasta("fora");
    const std::tm agora = momento(2026, 3, 10, 0, 1, 0);
    const std::tm ontemTarde = momento(2026, 3, 9, 23, 59, 0);
    const std::tm hojeCedo = momento(2026, 3, 10, 0, 0, 30);
    const std::tm semanaPassada = momento(2026, 3, 3, 12, 0, 0);

    struct Arquivo {
        fs::path caminho;
        std::tm data;
        bool fica;
    };
    const Arquivo arquivos[] = {
        {pasta / "Backup_ontem.zip", ontemTarde, false},
        {pasta / "Backup_hoje.zip", hojeCedo, true},
        {pasta / "sub/mais/VELHO.ZIP", semanaPassada, false},
        {pasta / "somente_leitura.zip", semanaPassada, false},
        {pasta / "notas.txt", semanaPassada, true},
        {pasta / "arquivo.zip.bak", semanaPassada, true},
        {fora / "alvo.zip", semanaPassada, true},
        {fora / "dentro/alvo2.zip", semanaPassada, true},
    };
    for (const auto& a : arquivos) {
        teste::escreverArquivo(a.caminho, "x");
        datar(a.caminho, a.data);
    }
    ::chmod((pasta / "somente_leitura.zip").c_str(), 0444);
    // Links into another folder: neither the links' targets nor what lies behind a
    // linked folder may go.
    fs::create_symlink(fora / "alvo.zip", pasta / "link.zip");
    datar(pasta / "link.zip", semanaPassada);
    fs::create_directory_symlink(fora / "dentro", pasta / "pasta_link");

    excluirArquivosAntigos(pasta.string(), instante(agora));

    for (const auto& a : arquivos)
        EXPECT_EQ(fs::exists(a.caminho), a.fica) << a.caminho;
    EXPECT_TRUE(fs::is_symlink(pasta / "link.zip"));
}

TEST(OldArchiveCleanUp, EmptyOrMissingFolderDoesNothing) {
    EXPECT_NO_THROW(excluirArquivosAntigos(""));
    EXPECT_NO_THROW(excluirArquivosAntigos((teste::raizTeste() / "nao-existe").string()));
    const fs::path arquivo = teste::raizTeste() / "arquivo.zip";
    teste::escreverArquivo(arquivo, "x");
    EXPECT_NO_THROW(excluirArquivosAntigos(arquivo.string()));  // a file is not a folder
    EXPECT_TRUE(fs::exists(arquivo));
}

}  // namespace
}  // namespace vaultkeep
