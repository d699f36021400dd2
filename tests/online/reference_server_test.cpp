// Whole round trips against the reference server program: upload, lookup and a
// real wget of the link the lookup gives.

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>

#include "common/clock.hpp"
#include "fixtures/reference_server_process.hpp"
#include "online/download.hpp"
#include "online/lookup.hpp"
#include "online/upload.hpp"
#include "settings/settings.hpp"
#include "support/process.hpp"
#include "support/scripted_ui.hpp"
#include "support/test_env.hpp"
#include "tools/md5.hpp"
#include "ui/status.hpp"

namespace vaultkeep {
namespace {

using teste::escreverArquivo;
using teste::lerArquivo;
using teste::novaPasta;
using teste::ProcessoServidorReferencia;
using teste::ScriptedUi;

std::string arquivoZip(std::size_t tamanho, unsigned semente) {
    std::mt19937 gen(semente);
    std::string s = std::string("PK\x03\x04", 4);
    s.resize(tamanho);
    for (std::size_t i = 4; i < s.size(); ++i)
        s[i] = static_cast<char>(gen());
    return s;
}

void apontarPara(const ProcessoServidorReferencia& servidor) {
    const std::string base = servidor.urlUpload() + "palisade/api/";
    urlUpload = base;
    urlGetLink = base + "/show";  // as the settings store writes it
}

std::string erroDaConsulta() {
    try {
        consultarBackupOnline();
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "(nothing thrown)";
}

teste::Execucao baixar(const std::vector<std::string>& argv) {
    teste::OpcoesExecucao op;
    op.ambiente["http_proxy"] = std::nullopt;
    op.ambiente["no_proxy"] = "127.0.0.1,localhost";
    op.limite = std::chrono::seconds(60);
    return teste::executarPrograma(argv, op);
}

TEST(ServidorReferencia, UploadLookupAndWgetGiveBackTheArchive) {
    const auto armazenamento = novaPasta("servidor");
    ProcessoServidorReferencia servidor(armazenamento);  // the built-in secret as password
    apontarPara(servidor);
    nomeEstabelecimento = "Padaria São João";
    chaveServidor = segredoEmbutido();

    const std::string nomeArquivo = "Backup_Vaultkeep_04_02_2025_14_30.zip";
    const std::string conteudo = arquivoZip(3 << 20, 1);
    const auto trabalho = novaPasta("trabalho");
    escreverArquivo(trabalho / nomeArquivo, conteudo);

    ScriptedUi ui;
    ASSERT_TRUE(enviarCopiaOnline(ui, (trabalho / nomeArquivo).string())) << mensagemStatus();
    EXPECT_EQ(mensagemStatus(), "Arquivo enviado com sucesso!");
    const auto guardado = armazenamento / md5Hex(nomeEstabelecimento) / nomeArquivo;
    EXPECT_TRUE(lerArquivo(guardado) == conteudo);
    EXPECT_EQ(lerArquivo(armazenamento / md5Hex(nomeEstabelecimento) / "nome.txt"),
              "Padaria São João");

    const std::string hoje = dataCurta(horaLocal());
    const BackupOnline b = consultarBackupOnline();
    EXPECT_EQ(b.originalFileName, nomeArquivo);
    EXPECT_EQ(formatarDataServidor(b.data), hoje);
    EXPECT_EQ(b.link.rfind(servidor.urlDownload(), 0), 0u) << b.link;

    const auto destino = novaPasta("restauracao");
    const auto argv = comandoDownload(b, destino);
    const auto r = baixar(argv);
    ASSERT_EQ(r.codigo, 0) << r.saida;
    EXPECT_TRUE(lerArquivo(destino / nomeArquivo) == conteudo) << "the download differs";

    EXPECT_EQ(servidor.encerrar(), 0) << "the server did not stop cleanly on SIGTERM";
}

TEST(ServidorReferencia, TheLookupGivesTheNewestArchiveOfThatEstablishment) {
    ProcessoServidorReferencia servidor(novaPasta("servidor"), {"--password", "outra senha"});
    apontarPara(servidor);
    chaveServidor = "outra senha";
    const auto trabalho = novaPasta("trabalho");
    struct Envio {
        std::string estabelecimento, arquivo;
    };
    // The second name goes quoted-printable with a soft break, "=3D" and "=E7".
    const std::string longo = "Mercado " + std::string(70, 'M') + " =2 Ação";
    const Envio envios[] = {
        {"Loja 1", "Backup_Vaultkeep_03_02_2025_10_00.zip"},
        {"Loja 1", "Backup_Vaultkeep_04_02_2025_09_00.zip"},
        {longo, "Backup_Vaultkeep_01_02_2025_08_00.zip"},
    };
    unsigned semente = 0;
    for (const auto& e : envios) {
        escreverArquivo(trabalho / e.arquivo, arquivoZip(1000, ++semente));
        nomeEstabelecimento = e.estabelecimento;
        ScriptedUi ui;
        ASSERT_TRUE(enviarCopiaOnline(ui, (trabalho / e.arquivo).string())) << mensagemStatus();
    }
    nomeEstabelecimento = "Loja 1";
    EXPECT_EQ(consultarBackupOnline().originalFileName, "Backup_Vaultkeep_04_02_2025_09_00.zip");
    nomeEstabelecimento = longo;
    EXPECT_EQ(consultarBackupOnline().originalFileName, "Backup_Vaultkeep_01_02_2025_08_00.zip");
    nomeEstabelecimento = "Loja 3";
    EXPECT_EQ(erroDaConsulta(), "HTTP/1.1 404 Not Found");
}

TEST(ServidorReferencia, DemandsThePasswordAndRefusesWhatIsNoArchive) {
    ProcessoServidorReferencia servidor(novaPasta("servidor"), {"--password", "certa"});
    apontarPara(servidor);
    nomeEstabelecimento = "Padaria Central";
    const auto trabalho = novaPasta("trabalho");
    escreverArquivo(trabalho / "a.zip", arquivoZip(5000, 3));
    escreverArquivo(trabalho / "b.zip", "isto não é um zip");

    chaveServidor = "errada";
    ScriptedUi ui;
    EXPECT_FALSE(enviarCopiaOnline(ui, (trabalho / "a.zip").string()));
    EXPECT_EQ(
        mensagemStatus(),
        "Erro ao enviar backup para o servidor, contate o suporte. HTTP/1.1 401 Unauthorized");
    EXPECT_EQ(erroDaConsulta(), "HTTP/1.1 401 Unauthorized");

    chaveServidor = "certa";
    // Refused with 200 and "status": true: the plain refusal text.
    EXPECT_FALSE(enviarCopiaOnline(ui, (trabalho / "b.zip").string()));
    EXPECT_EQ(mensagemStatus(), "Erro ao enviar backup para o servidor, contate o suporte. ");
    EXPECT_EQ(erroDaConsulta(), "HTTP/1.1 404 Not Found");

    ASSERT_TRUE(enviarCopiaOnline(ui, (trabalho / "a.zip").string())) << mensagemStatus();
    const BackupOnline b = consultarBackupOnline();
    EXPECT_EQ(b.originalFileName, "a.zip");

    // A link whose token was changed leads nowhere.
    BackupOnline adulterado = b;
    const auto token = adulterado.link.find('/', servidor.urlDownload().size());
    ASSERT_NE(token, std::string::npos);
    adulterado.link = servidor.urlDownload() + std::string(32, '0') + adulterado.link.substr(token);
    const auto destino = novaPasta("destino");
    const auto r = baixar(comandoDownload(adulterado, destino));
    EXPECT_NE(r.codigo, 0) << r.saida;
    EXPECT_NE(r.saida.find("404"), std::string::npos) << r.saida;
}

}  // namespace
}  // namespace vaultkeep
