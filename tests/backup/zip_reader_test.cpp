#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "backup/zip_archive.hpp"
#include "support/scripted_ui.hpp"
#include "support/test_env.hpp"
#include "zip_test_util.hpp"

namespace vaultkeep {
namespace {

using namespace teste;

const std::string kVazio = std::string("PK\x05\x06", 4) + std::string(18, '\0');

std::string prompt(const std::string& texto) {
    return "falhaArquivo(" + texto + ". File processing error, possibly disk is full|retry)";
}
const std::string kPromptDados = prompt(
    "Invalid size or check sum of file or unsupported compression format - Native error: 00008");
const std::string kPromptSenha = "pedirSenha(Password for \"BASE.FDB\"|Enter password: )";

fs::path gravarZip(const std::string& nome, const std::string& bytes) {
    const fs::path p = raizTeste() / nome;
    escreverArquivo(p, bytes);
    return p;
}

std::time_t modificacao(const fs::path& p) {
    struct stat st;
    EXPECT_EQ(::stat(p.c_str(), &st), 0);
    return st.st_mtime;
}

TEST(ArchiveReader, RoundTripRestoresBytesTimeAndReadOnly) {
    const fs::path base = novaPasta("base");
    // Large enough for the pipelined path (several MiB of stored data).
    const std::string grande = dadosCompressiveis(12 << 20, 9);
    escreverArquivo(base / "BASE.FDB", grande);
    escreverArquivo(base / "sub" / "leitura.fdb", "somente leitura");
    escreverArquivo(base / "vazio.FDB", "");
    ::chmod((base / "sub" / "leitura.fdb").c_str(), 0444);
    const std::time_t quando = 1700000001;  // odd: the archive keeps two-second steps
    fs::last_write_time(base / "BASE.FDB", std::chrono::file_clock::from_sys(
                                               std::chrono::system_clock::from_time_t(quando)));
    const fs::path zip = raizTeste() / "a.zip";
    ScriptedUi ui;
    compactarArquivos(ui, zip.string(), base.string(), "*.FDB", "segredo");

    const fs::path destino = novaPasta("destino");
    extrairArquivos(ui, zip.string(), destino.string(), "*.fdb", "segredo");
    EXPECT_TRUE(ui.chamadas().empty());
    EXPECT_EQ(arvore(destino), (std::set<std::string>{"BASE.FDB", "leitura.fdb", "vazio.FDB"}));
    EXPECT_TRUE(lerArquivo(destino / "BASE.FDB") == grande);
    EXPECT_EQ(lerArquivo(destino / "leitura.fdb"), "somente leitura");
    EXPECT_EQ(lerArquivo(destino / "vazio.FDB"), "");
    EXPECT_EQ(modificacao(destino / "BASE.FDB"), quando - 1);
    EXPECT_EQ(fs::status(destino / "leitura.fdb").permissions() & fs::perms::all &
                  ~fs::perms::others_all & ~fs::perms::group_all,
              fs::perms::owner_read);
    EXPECT_NE(fs::status(destino / "BASE.FDB").permissions() & fs::perms::owner_write,
              fs::perms::none);

    // The mask picks by name, case aside; the archive itself is not changed.
    const std::string antes = lerArquivo(zip);
    const fs::path outro = novaPasta("outro");
    extrairArquivos(ui, zip.string(), outro.string(), "leitura.*", "segredo");
    EXPECT_EQ(arvore(outro), std::set<std::string>{"leitura.fdb"});
    EXPECT_TRUE(lerArquivo(zip) == antes);
}

TEST(ArchiveReader, ReplacesExistingTargetsButNeverFollowsALinkOut) {
    const fs::path base = novaPasta("base");
    escreverArquivo(base / "BASE.FDB", "novo");
    escreverArquivo(base / "LINK.FDB", "pelo link");
    const fs::path zip = raizTeste() / "a.zip";
    ScriptedUi ui;
    compactarArquivos(ui, zip.string(), base.string(), "*.FDB", "segredo");

    const fs::path destino = novaPasta("destino");
    const fs::path fora = raizTeste() / "fora.txt";
    escreverArquivo(fora, "intocado");
    escreverArquivo(destino / "BASE.FDB", "antigo");
    ::chmod((destino / "BASE.FDB").c_str(), 0444);
    fs::create_symlink(fora, destino / "LINK.FDB");
    extrairArquivos(ui, zip.string(), destino.string(), "*.FDB", "segredo");
    EXPECT_EQ(lerArquivo(destino / "BASE.FDB"), "novo");
    EXPECT_FALSE(fs::is_symlink(destino / "LINK.FDB"));
    EXPECT_EQ(lerArquivo(destino / "LINK.FDB"), "pelo link");
    EXPECT_EQ(lerArquivo(fora), "intocado");
    EXPECT_TRUE(ui.chamadas().empty());
}

TEST(ArchiveReader, AFailedOrCancelledEntryLeavesNoTargetAndKeepsAnExistingFile) {
    EntradaTeste ruim = entradaTeste("BASE.FDB", "conteudo bom");
    ruim.crcInformado = 0x12345678;
    const fs::path zip = gravarZip("a.zip", montarZip({ruim, entradaTeste("OUTRA.FDB", "outra")}));
    const fs::path destino = novaPasta("destino");
    ScriptedUi ui;
    ui.responderFalha(RespostaFalha::Repetir);
    ui.responderFalha(RespostaFalha::Ignorar);
    extrairArquivos(ui, zip.string(), destino.string(), "*.FDB", "");
    EXPECT_EQ(ui.chamadas(), (std::vector<std::string>{kPromptDados, kPromptDados}));
    EXPECT_EQ(arvore(destino), std::set<std::string>{"OUTRA.FDB"});  // no leftovers either

    // The file that was there before stays as it was.
    escreverArquivo(destino / "BASE.FDB", "antigo");
    ScriptedUi ui2;
    ui2.responderFalha(RespostaFalha::Ignorar);
    extrairArquivos(ui2, zip.string(), destino.string(), "*.FDB", "");
    EXPECT_EQ(lerArquivo(destino / "BASE.FDB"), "antigo");
    EXPECT_EQ(arvore(destino), (std::set<std::string>{"BASE.FDB", "OUTRA.FDB"}));
}

TEST(ArchiveReader, BadDataAndUnsupportedMethodsGoThroughThePrompt) {
    const std::string dados = dadosCompressiveis(70000, 3);
    const std::string comprimido = deflateSerial(dados);
    struct Caso {
        const char* oque;
        EntradaTeste entrada;
        std::string prompt;
    };
    std::vector<Caso> casos;
    auto base = [&] { return entradaTeste("BASE.FDB", dados); };
    {
        auto e = base();
        e.crcInformado = crc32De(dados) ^ 1;
        casos.push_back({"wrong CRC", e, kPromptDados});
    }
    {
        auto e = base();
        e.dadosArmazenados = comprimido.substr(0, comprimido.size() / 2);
        casos.push_back({"cut stream", e, kPromptDados});
    }
    {
        auto e = base();
        e.dadosArmazenados = comprimido + "lixo";
        casos.push_back({"bytes after the stream", e, kPromptDados});
    }
    {
        auto e = base();
        e.dadosArmazenados = std::string(5000, '\xFF');
        casos.push_back({"not Deflate at all", e, kPromptDados});
    }
    {
        auto e = base();
        e.dadosArmazenados = deflateSerial(dados + "mais");  // longer than announced
        e.crcInformado = crc32De(dados);
        casos.push_back({"more bytes than announced", e, kPromptDados});
    }
    {
        auto e = base();
        e.metodo = 0;
        e.dadosArmazenados = dados.substr(1);
        casos.push_back({"stored, one byte short", e, kPromptDados});
    }
    {
        auto e = base();
        e.metodo = 9;
        e.dadosArmazenados = "x";
        casos.push_back({"Deflate64", e,
                         prompt("Deflate64 compression method is not supported - Native error: "
                                "00055")});
    }
    {
        auto e = base();
        e.metodo = 12;
        e.dadosArmazenados = "BZh9";
        casos.push_back({"bzip2", e, kPromptDados});
    }
    for (const auto& c : casos) {
        const fs::path zip =
            gravarZip("a.zip", montarZip({c.entrada, entradaTeste("OK.FDB", "ok")}));
        const fs::path destino = novaPasta(std::string("d-") + c.oque);
        ScriptedUi ui;
        ui.responderFalha(RespostaFalha::Ignorar);
        extrairArquivos(ui, zip.string(), destino.string(), "*.FDB", "");
        EXPECT_EQ(ui.chamadas(), std::vector<std::string>{c.prompt}) << c.oque;
        EXPECT_EQ(arvore(destino), std::set<std::string>{"OK.FDB"}) << c.oque;

        // Abort stops before the next entry.
        const fs::path outro = novaPasta(std::string("a-") + c.oque);
        ScriptedUi ui2;
        extrairArquivos(ui2, zip.string(), outro.string(), "*.FDB", "");
        EXPECT_TRUE(arvore(outro).empty()) << c.oque;
    }
}

TEST(ArchiveReader, TextFileNamedZipIsInvalidButAnEmptyArchiveIsFine) {
    ScriptedUi ui;
    const fs::path destino = novaPasta("destino");
    for (const std::string& conteudo :
         {std::string("<html><body>404 Not Found</body></html>\n"), std::string()}) {
        const fs::path zip = gravarZip("pagina.zip", conteudo);
        try {
            extrairArquivos(ui, zip.string(), destino.string(), "*.FDB", "segredo");
            FAIL() << "no error";
        } catch (const ErroZip& e) {
            EXPECT_EQ(e.codigo(), 35);
            EXPECT_STREQ(e.what(), "Invalid archive file. - Native error: 00035");
        }
    }
    extrairArquivos(ui, gravarZip("vazio.zip", kVazio).string(), destino.string(), "*.FDB", "x");
    EXPECT_TRUE(arvore(destino).empty());
    EXPECT_TRUE(ui.chamadas().empty());

    const std::string inexistente = (raizTeste() / "nao.zip").string();
    try {
        extrairArquivos(ui, inexistente, destino.string(), "*.FDB", "");
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot open file \"" + inexistente + "\". No such file or directory");
    }
}

TEST(ArchiveReader, WrongPasswordAsksAgainUntilItFitsAndCancelSkips) {
    const fs::path base = novaPasta("base");
    escreverArquivo(base / "BASE.FDB", "primeira");
    escreverArquivo(base / "sub" / "BASE.FDB", "segunda");
    const fs::path zip = raizTeste() / "a.zip";
    // A password is checked against one byte, so one archive in 256 lets a given
    // wrong password through; the archive is made again until both wrong
    // passwords below are refused by both entries.
    auto recusada = [&](const std::string& senha) {
        const fs::path sonda = novaPasta("sonda");
        ScriptedUi ui;
        extrairArquivos(ui, zip.string(), sonda.string(), "*.FDB", senha);
        removerArvore(sonda);
        return ui.contar("pedirSenha") == 2 && ui.contar("falhaArquivo") == 0;
    };
    for (int tentativa = 0;; ++tentativa) {
        ASSERT_LT(tentativa, 20);
        ScriptedUi escritor;
        compactarArquivos(escritor, zip.string(), base.string(), "*.FDB", "segredo");
        if (recusada("errada") && recusada("outra"))
            break;
    }

    {  // Cancel: no file, no error.
        const fs::path destino = novaPasta("cancelado");
        ScriptedUi ui;
        extrairArquivos(ui, zip.string(), destino.string(), "*.FDB", "errada");
        EXPECT_EQ(ui.chamadas(), (std::vector<std::string>{kPromptSenha, kPromptSenha}));
        EXPECT_TRUE(arvore(destino).empty());
    }
    {  // Wrong again, then right: kept for the rest of the operation.
        const fs::path destino = novaPasta("certo");
        ScriptedUi ui;
        ui.responderSenha("outra");
        ui.responderSenha("segredo");
        extrairArquivos(ui, zip.string(), destino.string(), "*.FDB", "");
        EXPECT_EQ(ui.chamadas(), (std::vector<std::string>{kPromptSenha, kPromptSenha}));
        EXPECT_EQ(lerArquivo(destino / "BASE.FDB"), "segunda");
    }
}

TEST(ArchiveReader, EntryNamesNeverLeadOutOfTheDestination) {
    const fs::path caixa = novaPasta("caixa");
    const fs::path destino = caixa / "destino";
    fs::create_directories(destino);
    const fs::path fora = novaPasta("fora");
    std::vector<EntradaTeste> entradas;
    for (const std::string& nome :
         {std::string("../../x.FDB"), std::string("..\\..\\y.FDB"), (fora / "z.FDB").string(),
          std::string(".."), std::string("../"), std::string("sub/"), std::string("a/./v.FDB"),
          std::string("c:\\w.FDB"), std::string("fim/..")})
        entradas.push_back(entradaTeste(nome, nome, 0));
    const fs::path zip = gravarZip("a.zip", montarZip(entradas));
    ScriptedUi ui;
    extrairArquivos(ui, zip.string(), destino.string(), "*", "");
    EXPECT_EQ(arvore(caixa),
              (std::set<std::string>{"destino/", "destino/x.FDB", "destino/y.FDB", "destino/z.FDB",
                                     "destino/v.FDB", "destino/w.FDB"}));
    EXPECT_TRUE(arvore(fora).empty());
    EXPECT_EQ(lerArquivo(destino / "y.FDB"), "..\\..\\y.FDB");
    EXPECT_TRUE(ui.chamadas().empty());
}

TEST(ArchiveReader, OtherLayoutsOfTheFormat) {
    const std::string dados = dadosCompressiveis(300000, 8);
    auto entrada = [&](std::string nome) {
        return entradaTeste(std::move(nome), dados, 8, "segredo");
    };
    struct Caso {
        const char* oque;
        std::string zip;
    };
    std::vector<Caso> casos;
    {
        auto a = entrada("A.FDB"), b = entrada("B.FDB");
        a.descritor = b.descritor = true;  // check byte from the time
        b.metodo = 0;
        casos.push_back({"data descriptors", montarZip({a, b})});
        casos.push_back({"data descriptors, no directory", montarZip({a, b}, semDiretorio())});
    }
    {
        auto a = entrada("A.FDB"), b = entrada("B.FDB");
        a.zip64 = b.zip64 = true;
        b.descritor = true;
        casos.push_back({"Zip64", montarZip({a, b}, comFim64())});
        casos.push_back({"Zip64, no directory", montarZip({a, b}, semDiretorio())});
    }
    casos.push_back({"data in front", montarZip({entrada("A.FDB"), entrada("B.FDB")},
                                                comPrefixo("MZ" + std::string(4000, '\x90')))});
    {
        std::string z = montarZip({entrada("A.FDB"), entrada("B.FDB")});
        const std::size_t dir = z.rfind(std::string("PK\x01\x02", 4));
        z[dir + 1] = 'Q';  // broken directory: the local headers still tell
        casos.push_back({"broken directory", z});
    }
    {
        std::string z = montarZip({entrada("A.FDB"), entrada("B.FDB")});
        z.resize(z.find(std::string("PK\x01\x02", 4)));
        casos.push_back({"no end record", z});
    }
    {
        auto a = entrada("x");
        a.nome = "caf\x82.FDB";  // code page 850, with an Info-ZIP Unicode Path field
        const std::string utf8 = "café-unicode.FDB";
        std::string extra;
        const std::uint32_t crc = crc32De(a.nome);
        extra += std::string("\x75\x70", 2);
        extra.push_back(static_cast<char>(5 + utf8.size()));
        extra.push_back('\0');
        extra.push_back('\x01');
        for (int i = 0; i < 4; ++i)
            extra.push_back(static_cast<char>(crc >> (8 * i)));
        extra += utf8;
        a.extra = extra;
        casos.push_back({"unicode path field", montarZip({a})});
    }
    for (const auto& c : casos) {
        const fs::path destino = novaPasta(std::string("d-") + c.oque);
        ScriptedUi ui;
        extrairArquivos(ui, gravarZip("a.zip", c.zip).string(), destino.string(), "*.FDB",
                        "segredo");
        EXPECT_TRUE(ui.chamadas().empty()) << c.oque;
        const auto achados = arvore(destino);
        if (std::string(c.oque) == "unicode path field") {
            EXPECT_EQ(achados, std::set<std::string>{"café-unicode.FDB"});
            continue;
        }
        EXPECT_EQ(achados, (std::set<std::string>{"A.FDB", "B.FDB"})) << c.oque;
        for (const auto& n : achados)
            EXPECT_TRUE(lerArquivo(destino / n) == dados) << c.oque << " " << n;
    }
}

TEST(ArchiveReader, AnnouncedButMissing64BitEndRecordIsAnError) {
    std::string z = montarZip({entradaTeste("A.FDB", "a")}, comFim64());
    const std::size_t pos = z.rfind(std::string("PK\x06\x06", 4));
    z[pos + 3] = '\x07';
    const fs::path destino = novaPasta("destino");
    ScriptedUi ui;
    try {
        extrairArquivos(ui, gravarZip("a.zip", z).string(), destino.string(), "*.FDB", "");
        FAIL() << "no error";
    } catch (const ErroZip& e) {
        EXPECT_STREQ(e.what(), "Cannot find 64-bit directory end record - Native error: 00040");
    }
    EXPECT_TRUE(arvore(destino).empty());
}

TEST(ArchiveReader, TargetThatCannotBeCreated) {
    const fs::path zip = gravarZip("a.zip", montarZip({entradaTeste("BASE.FDB", "x")}));
    const fs::path destino = novaPasta("destino");
    fs::create_directories(destino / "BASE.FDB");  // a folder where the file should go
    const fs::path ausente = raizTeste() / "ausente";
    for (const fs::path& d : {destino, ausente}) {
        ScriptedUi ui;
        ui.responderFalha(RespostaFalha::Ignorar);
        extrairArquivos(ui, zip.string(), d.string(), "*.FDB", "");
        EXPECT_EQ(ui.chamadas(), std::vector<std::string>{prompt("Cannot create file \"" +
                                                                 (d / "BASE.FDB").string() +
                                                                 "\" - Native error: 00019")});
    }
    EXPECT_EQ(arvore(destino), std::set<std::string>{"BASE.FDB/"});
    EXPECT_FALSE(fs::exists(ausente));

    // An entry named like the archive, extracted beside it, does not replace it.
    const fs::path pasta = novaPasta("junto");
    const std::string bytes = montarZip({entradaTeste("a.FDB", "outra coisa", 0)});
    escreverArquivo(pasta / "a.FDB", bytes);
    ScriptedUi ui;
    ui.responderFalha(RespostaFalha::Ignorar);
    extrairArquivos(ui, (pasta / "a.FDB").string(), pasta.string(), "*.FDB", "");
    EXPECT_EQ(ui.contar("falhaArquivo(Cannot create file"), 1);
    EXPECT_TRUE(lerArquivo(pasta / "a.FDB") == bytes);
}

// While one operation holds the module (here: waiting in a prompt), the other
// does not start.
TEST(ArchiveReader, OneOperationAtATime) {
    const fs::path base = novaPasta("base");
    escreverArquivo(base / "a.FDB", "a");
    escreverArquivo(base / "b.FDB", "");
    fs::resize_file(base / "b.FDB", 0x100000000ull);
    const fs::path leitura = gravarZip("l.zip", montarZip({entradaTeste("L.FDB", "l")}));
    const fs::path destino = novaPasta("destino");

    class Ui : public ScriptedUi {
      public:
        std::function<void()> acao;
        RespostaFalha falhaArquivo(const std::string& t, bool r) override {
            acao();
            return ScriptedUi::falhaArquivo(t, r);
        }
    } ui;
    std::atomic<bool> terminou{false};
    std::thread outro;
    bool terminouDuranteOPrompt = true;
    ui.acao = [&] {
        outro = std::thread([&] {
            UiPortSemPessoa semPessoa;
            extrairArquivos(semPessoa, leitura.string(), destino.string(), "*.FDB", "");
            terminou = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        terminouDuranteOPrompt = terminou;
    };
    ui.responderFalha(RespostaFalha::Ignorar);
    compactarArquivos(ui, (raizTeste() / "w.zip").string(), base.string(), "*.FDB", "");
    outro.join();
    EXPECT_FALSE(terminouDuranteOPrompt);
    EXPECT_TRUE(terminou);
    EXPECT_EQ(lerArquivo(destino / "L.FDB"), "l");
}

}  // namespace
}  // namespace vaultkeep
