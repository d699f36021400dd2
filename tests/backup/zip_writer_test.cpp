#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <stdexcept>

#include "backup/dos_time.hpp"
#include "backup/zip_archive.hpp"
#include "support/scripted_ui.hpp"
#include "support/test_env.hpp"
#include "zip_test_util.hpp"

namespace vaultkeep {
namespace {

using namespace teste;

struct EntradaCentral {
    std::string nome;
    std::uint16_t feita, necessaria, flags, metodo, hora, data;
    std::uint32_t crc, compactado, original, atributos, offset;
};

// The central directory of an archive without comment, read apart from the
// product's reader.
std::vector<EntradaCentral> diretorio(const std::string& z) {
    const std::size_t fim = z.size() - 22;
    EXPECT_EQ(l32(z, fim), 0x06054B50u);
    const std::uint16_t n = l16(z, fim + 10);
    EXPECT_EQ(l16(z, fim + 8), n);
    EXPECT_EQ(l16(z, fim + 20), 0);  // no comment
    std::size_t pos = l32(z, fim + 16);
    EXPECT_EQ(pos + l32(z, fim + 12), fim);
    std::vector<EntradaCentral> r;
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(l32(z, pos), 0x02014B50u);
        EntradaCentral e{};
        e.feita = l16(z, pos + 4);
        e.necessaria = l16(z, pos + 6);
        e.flags = l16(z, pos + 8);
        e.metodo = l16(z, pos + 10);
        e.hora = l16(z, pos + 12);
        e.data = l16(z, pos + 14);
        e.crc = l32(z, pos + 16);
        e.compactado = l32(z, pos + 20);
        e.original = l32(z, pos + 24);
        const std::uint16_t tamNome = l16(z, pos + 28);
        EXPECT_EQ(l16(z, pos + 30), 0);  // extra
        EXPECT_EQ(l16(z, pos + 32), 0);  // comment
        EXPECT_EQ(l16(z, pos + 34), 0);  // disk
        EXPECT_EQ(l16(z, pos + 36), 0);  // internal attributes
        e.atributos = l32(z, pos + 38);
        e.offset = l32(z, pos + 42);
        e.nome = z.substr(pos + 46, tamNome);
        pos += 46 + tamNome;
        r.push_back(e);
    }
    return r;
}

std::vector<std::string> nomes(const std::string& z) {
    std::vector<std::string> r;
    for (const auto& e : diretorio(z))
        r.push_back(e.nome);
    return r;
}

std::time_t momento(int ano, int mes, int dia, int h, int m, int s) {
    std::tm t{};
    t.tm_year = ano - 1900;
    t.tm_mon = mes - 1;
    t.tm_mday = dia;
    t.tm_hour = h;
    t.tm_min = m;
    t.tm_sec = s;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

void definirHora(const fs::path& p, std::time_t t) {
    fs::last_write_time(
        p, std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(t)));
}

const std::string kVazio = std::string("PK\x05\x06", 4) + std::string(18, '\0');

TEST(ArchiveWriter, EncryptedEntryHasEveryFieldAndTheSerialStreamUnderTheCipher) {
    const fs::path base = novaPasta("base");
    const std::string dados = dadosCompressiveis((5 << 19) + 333, 11);  // 2.5 MiB: three pieces
    escreverArquivo(base / "BASE.FDB", dados);
    const std::time_t quando = momento(2024, 3, 5, 10, 20, 31);
    definirHora(base / "BASE.FDB", quando);
    const fs::path zip = raizTeste() / "a.zip";
    ScriptedUi ui;
    compactarArquivos(ui, zip.string(), base.string(), "*.FDB", "segredo");
    EXPECT_TRUE(ui.chamadas().empty());

    const std::string z = lerArquivo(zip);
    const std::uint32_t crc = crc32De(dados);
    const HoraDos h = paraHoraDos(quando);
    // Local header.
    EXPECT_EQ(l32(z, 0), 0x04034B50u);
    EXPECT_EQ(l16(z, 4), 20);
    EXPECT_EQ(l16(z, 6), 1);  // encrypted, code page name, no descriptor
    EXPECT_EQ(l16(z, 8), 8);
    EXPECT_EQ(l16(z, 10), h.hora);
    EXPECT_EQ(l16(z, 12), h.data);
    EXPECT_EQ(h.hora, (10 << 11) | (20 << 5) | 15);
    EXPECT_EQ(l32(z, 14), crc);
    const std::uint32_t compactado = l32(z, 18);
    EXPECT_EQ(l32(z, 22), dados.size());
    EXPECT_EQ(l16(z, 26), 8);
    EXPECT_EQ(l16(z, 28), 0);
    EXPECT_EQ(z.substr(30, 8), "BASE.FDB");

    // Encryption header and data: the serial stream under the same header.
    const std::string armazenado = z.substr(38, compactado);
    const std::string cabecalho = CifraReferencia("segredo").decifrar(armazenado).substr(0, 12);
    EXPECT_EQ(static_cast<std::uint8_t>(cabecalho[10]), (crc >> 16) & 0xFF);
    EXPECT_EQ(static_cast<std::uint8_t>(cabecalho[11]), crc >> 24);
    const std::string serial = deflateSerial(dados);
    EXPECT_EQ(compactado, 12 + serial.size());
    EXPECT_TRUE(armazenado == CifraReferencia("segredo").cifrar(cabecalho + serial));

    // Central directory and end record.
    const auto dir = diretorio(z);
    ASSERT_EQ(dir.size(), 1u);
    const auto& e = dir[0];
    EXPECT_EQ(e.feita, 20);
    EXPECT_EQ(e.necessaria, 20);
    EXPECT_EQ(e.flags, 1);
    EXPECT_EQ(e.metodo, 8);
    EXPECT_EQ(e.hora, h.hora);
    EXPECT_EQ(e.data, h.data);
    EXPECT_EQ(e.crc, crc);
    EXPECT_EQ(e.compactado, compactado);
    EXPECT_EQ(e.original, dados.size());
    EXPECT_EQ(e.atributos, 0x20u);
    EXPECT_EQ(e.offset, 0u);
    EXPECT_EQ(e.nome, "BASE.FDB");
    EXPECT_EQ(z.size(), 38 + compactado + 54 + 22);
}

TEST(ArchiveWriter, EmptyPasswordWritesThePlainSerialStream) {
    const fs::path base = novaPasta("base");
    const std::string dados = dadosCompressiveis(1 << 20, 2);  // exactly one piece
    escreverArquivo(base / "dados.fdb", dados);
    const fs::path zip = raizTeste() / "a.zip";
    ScriptedUi ui;
    compactarArquivos(ui, zip.string(), base.string(), "*.FDB", "");
    const std::string z = lerArquivo(zip);
    EXPECT_EQ(l16(z, 6), 0);
    const std::string serial = deflateSerial(dados);
    EXPECT_EQ(l32(z, 18), serial.size());
    EXPECT_TRUE(z.substr(30 + 9, serial.size()) == serial);
    EXPECT_EQ(diretorio(z).at(0).flags, 0);
}

TEST(ArchiveWriter, EveryArchiveGetsNewRandomBytes) {
    const fs::path base = novaPasta("base");
    escreverArquivo(base / "BASE.FDB", dadosCompressiveis(50000, 1));
    ScriptedUi ui;
    compactarArquivos(ui, (raizTeste() / "1.zip").string(), base.string(), "*.FDB", "segredo");
    compactarArquivos(ui, (raizTeste() / "2.zip").string(), base.string(), "*.FDB", "segredo");
    const std::string a = lerArquivo(raizTeste() / "1.zip"), b = lerArquivo(raizTeste() / "2.zip");
    ASSERT_EQ(a.size(), b.size());
    EXPECT_NE(a.substr(38, 10), b.substr(38, 10));
    // Same header check bytes aside, the plain header bytes differ too.
    EXPECT_NE(CifraReferencia("segredo").decifrar(a.substr(38, 10)),
              CifraReferencia("segredo").decifrar(b.substr(38, 10)));
}

TEST(ArchiveWriter, TakesMatchingFilesOfAllSubFoldersButNotItself) {
    const fs::path base = novaPasta("base");
    escreverArquivo(base / "dados.fdb", "d");
    escreverArquivo(base / ".oculto.FDB", "h");
    escreverArquivo(base / "notas.txt", "n");
    escreverArquivo(base / "x.FDB.bak", "b");
    fs::create_directories(base / "pasta.fdb");
    escreverArquivo(base / "sub" / "OUTRO.FDB", "o");
    escreverArquivo(base / "sub" / "fundo" / "Z.Fdb", "z");
    ::chmod((base / "sub" / "OUTRO.FDB").c_str(), 0444);
    const fs::path zip = base / "proprio.FDB";  // the archive matches its own mask
    ScriptedUi ui;
    compactarArquivos(ui, zip.string(), base.string(), "*.FDB", "segredo");
    const std::string z = lerArquivo(zip);
    EXPECT_EQ(nomes(z),
              (std::vector<std::string>{".oculto.FDB", "dados.fdb", "OUTRO.FDB", "Z.Fdb"}));
    const auto dir = diretorio(z);
    EXPECT_EQ(dir[1].atributos, 0x20u);
    EXPECT_EQ(dir[2].atributos, 0x21u);  // read-only
    std::uint32_t esperado = 0;
    for (const auto& e : dir) {  // one after the other, each at its own offset
        EXPECT_EQ(e.offset, esperado);
        esperado += 30 + e.nome.size() + e.compactado;
    }

    // Nothing matches: an archive of the end record alone.
    compactarArquivos(ui, zip.string(), base.string(), "*.GDB", "segredo");
    EXPECT_EQ(lerArquivo(zip), kVazio);
    EXPECT_TRUE(ui.chamadas().empty());
}

TEST(ArchiveWriter, NamesInCodePage850OrUtf8AndTheyComeBackUnchanged) {
    const fs::path base = novaPasta("base");
    escreverArquivo(base / "BASE_Ç.FDB", "cedilha");
    escreverArquivo(base / "日本.FDB", "kanji");
    const fs::path zip = raizTeste() / "a.zip";
    ScriptedUi ui;
    compactarArquivos(ui, zip.string(), base.string(), "*.FDB", "segredo");
    const auto dir = diretorio(lerArquivo(zip));
    ASSERT_EQ(dir.size(), 2u);
    EXPECT_EQ(dir[0].nome, "BASE_\x80.FDB");
    EXPECT_EQ(dir[0].flags & 0x800, 0);
    EXPECT_EQ(dir[1].nome, "日本.FDB");
    EXPECT_EQ(dir[1].flags & 0x800, 0x800);

    const fs::path destino = novaPasta("destino");
    extrairArquivos(ui, zip.string(), destino.string(), "*.FDB", "segredo");
    EXPECT_EQ(arvore(destino), (std::set<std::string>{"BASE_Ç.FDB", "日本.FDB"}));
    EXPECT_EQ(lerArquivo(destino / "BASE_Ç.FDB"), "cedilha");
    EXPECT_TRUE(ui.chamadas().empty());
}

// A UI port that runs a step of the test when the failure prompt opens.
class UiComAcao : public ScriptedUi {
  public:
    std::function<void()> acao;
    RespostaFalha falhaArquivo(const std::string& texto, bool podeRepetir) override {
        if (acao)
            acao();
        return ScriptedUi::falhaArquivo(texto, podeRepetir);
    }
};

TEST(ArchiveWriter, FileTooLargeForClassicZipGoesThroughThePrompt) {
    const fs::path base = novaPasta("base");
    escreverArquivo(base / "a.FDB", "pequeno");
    const fs::path grande = base / "b.FDB";
    escreverArquivo(grande, "");
    fs::resize_file(grande, 0xFFFFFFFFull);  // sparse: no disk space needed
    const fs::path zip = raizTeste() / "a.zip";
    const std::string prompt = "falhaArquivo(Cannot compress file '" + grande.string() +
                               "'. Zip64 mode is not enabled - Native error: 00043. File "
                               "processing error, possibly disk is full|retry)";

    {  // Ignore: the archive holds the other file only.
        ScriptedUi ui;
        ui.responderFalha(RespostaFalha::Ignorar);
        compactarArquivos(ui, zip.string(), base.string(), "*.FDB", "segredo");
        EXPECT_EQ(ui.chamadas(), std::vector<std::string>{prompt});
        EXPECT_EQ(nomes(lerArquivo(zip)), std::vector<std::string>{"a.FDB"});
    }
    {  // Abort: the entry written before goes too.
        ScriptedUi ui;
        ui.responderFalha(RespostaFalha::Abortar);
        compactarArquivos(ui, zip.string(), base.string(), "*.FDB", "segredo");
        EXPECT_EQ(ui.chamadas(), std::vector<std::string>{prompt});
        EXPECT_EQ(lerArquivo(zip), kVazio);
    }
    {  // Retry after the file was made smaller: both entries.
        UiComAcao ui;
        ui.acao = [&] { fs::resize_file(grande, 3000); };
        ui.responderFalha(RespostaFalha::Repetir);
        compactarArquivos(ui, zip.string(), base.string(), "*.FDB", "segredo");
        EXPECT_EQ(ui.chamadas(), std::vector<std::string>{prompt});
        EXPECT_EQ(nomes(lerArquivo(zip)), (std::vector<std::string>{"a.FDB", "b.FDB"}));
        const fs::path destino = novaPasta("destino");
        extrairArquivos(ui, zip.string(), destino.string(), "*.FDB", "segredo");
        EXPECT_EQ(lerArquivo(destino / "b.FDB"), std::string(3000, '\0'));
    }
}

TEST(ArchiveWriter, PathLongerThan259CharactersOffersAbortAndIgnoreOnly) {
    const fs::path base = novaPasta("base");
    escreverArquivo(base / "curto.FDB", "c");
    fs::path fundo = base;
    for (int i = 0; i < 3; ++i)
        fundo /= std::string(90, static_cast<char>('k' + i));
    const fs::path longo = fundo / "longo.FDB";
    escreverArquivo(longo, "l");
    ASSERT_GT(longo.string().size(), 259u);
    ScriptedUi ui;
    ui.responderFalha(RespostaFalha::Repetir);  // not offered: counts as Ignore
    const fs::path zip = raizTeste() / "a.zip";
    compactarArquivos(ui, zip.string(), base.string(), "*.FDB", "");
    EXPECT_EQ(ui.chamadas(),
              std::vector<std::string>{"falhaArquivo(File name is too long: \r\n\"" +
                                       longo.string() + "\" - Native error: 00061|noretry)"});
    EXPECT_EQ(nomes(lerArquivo(zip)), std::vector<std::string>{"curto.FDB"});
}

TEST(ArchiveWriter, AFailedWriteIsDiskFull) {
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    const fs::path base = novaPasta("base");
    escreverArquivo(base / "a.FDB", dadosCompressiveis(20000, 4));
    ScriptedUi ui;
    ui.responderFalha(RespostaFalha::Repetir);
    ui.responderFalha(RespostaFalha::Abortar);
    compactarArquivos(ui, "/dev/full", base.string(), "*.FDB", "segredo");
    const std::string prompt =
        "falhaArquivo(Disk is full. There is not enough free space on disk. - Native error: "
        "00065. File processing error, possibly disk is full|retry)";
    EXPECT_EQ(ui.chamadas(), (std::vector<std::string>{prompt, prompt}));
}

TEST(ArchiveWriter, ArchiveThatCannotBeCreatedIsAnErrorForTheCaller) {
    const fs::path base = novaPasta("base");
    const std::string zip = (raizTeste() / "nao" / "existe.zip").string();
    ScriptedUi ui;
    try {
        compactarArquivos(ui, zip, base.string(), "*.FDB", "");
        FAIL() << "no error";
    } catch (const ErroZip&) {
        FAIL() << "carries no code";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot create file \"" + zip + "\". No such file or directory");
    }
}

TEST(ArchiveWriter, AnUnexpectedErrorLeavesAnArchiveWithoutEntries) {
    const fs::path base = novaPasta("base");
    escreverArquivo(base / "a.FDB", "a");
    escreverArquivo(base / "b.FDB", "");
    fs::resize_file(base / "b.FDB", 0x100000000ull);
    UiComAcao ui;
    ui.acao = [] { throw std::runtime_error("the window went away"); };
    const fs::path zip = raizTeste() / "a.zip";
    EXPECT_THROW(compactarArquivos(ui, zip.string(), base.string(), "*.FDB", ""),
                 std::runtime_error);
    EXPECT_EQ(lerArquivo(zip), kVazio);
}

}  // namespace
}  // namespace vaultkeep
