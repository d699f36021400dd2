// The questions of vaultkeep-cli (the UI port on the terminal), asked by a small
// driver that links the same code: on a pseudo-terminal a person answers them;
// with --sim or without a terminal they are answered at once.

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "cli_teste.hpp"
#include "programa_em_terminal.hpp"

namespace vaultkeep {
namespace {

using teste::linhas;
using teste::ProgramaEmTerminal;

const std::string kAjudante = AJUDANTE_PERGUNTAS;
const std::vector<std::string> kTodos = {"aviso", "confirmar", "falha", "falha61", "senha"};

std::vector<std::string> comAjudante(std::vector<std::string> args) {
    args.insert(args.begin(), kAjudante);
    return args;
}

// The driver's answers among the lines of its output.
std::vector<std::string> respostas(const std::string& saida) {
    std::vector<std::string> r;
    for (const auto& l : linhas(saida))
        if (l.rfind("resposta ", 0) == 0)
            r.push_back(l);
    return r;
}

bool contem(const std::string& s, const std::string& trecho) {
    return s.find(trecho) != std::string::npos;
}

TEST(CliPerguntas, WithoutATerminalEveryQuestionIsAnsweredNoAbortCancelAtOnce) {
    teste::OpcoesExecucao op;
    op.limite = std::chrono::seconds(20);
    for (const std::optional<std::string>& entrada :
         {std::optional<std::string>{}, std::optional<std::string>{"s\nr\ni\nsegredo\n"}}) {
        // Piped input is no person: it answers nothing.
        op.entrada = entrada;
        const auto r = teste::executarPrograma(comAjudante(kTodos), op);
        ASSERT_FALSE(r.expirou) << "a question waited without a terminal";
        EXPECT_EQ(r.codigo, 0) << r.saida;
        EXPECT_EQ(respostas(r.saida),
                  (std::vector<std::string>{"resposta aviso: ok", "resposta confirmar: nao",
                                            "resposta falha: abortar", "resposta falha61: abortar",
                                            "resposta senha: cancelada"}));
        // The log of a script says what was asked and what was answered.
        EXPECT_TRUE(contem(r.saida,
                           "Vaultkeep: Por favor feche o sistema em todos os computadores. Após "
                           "o término da restauração poderá abrir. [OK]"))
            << r.saida;
        EXPECT_TRUE(contem(r.saida, "Confirmação: Deseja restaurar o backup? [Não]"));
        EXPECT_TRUE(contem(r.saida, "Wrong password 00061 [Abortar]"));
        EXPECT_TRUE(contem(r.saida, "Password for \"LOJA.FDB\" [Cancelar]"));
    }
}

TEST(CliPerguntas, SimAnswersOkYesAndAbortCancelWithOrWithoutATerminal) {
    const std::vector<std::string> esperadas = {
        "resposta aviso: ok", "resposta confirmar: sim", "resposta falha: abortar",
        "resposta falha61: abortar", "resposta senha: cancelada"};
    auto args = kTodos;
    args.insert(args.begin(), "--sim");

    teste::OpcoesExecucao op;
    op.limite = std::chrono::seconds(20);
    const auto r = teste::executarPrograma(comAjudante(args), op);
    ASSERT_FALSE(r.expirou);
    EXPECT_EQ(respostas(r.saida), esperadas);
    EXPECT_TRUE(contem(r.saida, "Confirmação: Deseja restaurar o backup? [Sim]")) << r.saida;

    // On a terminal nothing is typed, and still nothing waits.
    ProgramaEmTerminal t(comAjudante(args));
    ASSERT_EQ(t.terminar(std::chrono::seconds(20)), 0) << t.tela();
    EXPECT_EQ(respostas(t.tela()), esperadas);
}

TEST(CliPerguntas, APersonAnswersOnTheTerminal) {
    ProgramaEmTerminal t(
        comAjudante({"aviso", "confirmar", "confirmar", "confirmar", "falha", "falha61", "falha"}));
    ASSERT_TRUE(t.esperar("Por favor feche o sistema em todos os computadores.")) << t.tela();
    ASSERT_TRUE(t.esperar("Pressione Enter para continuar."));
    t.digitar("\r");
    ASSERT_TRUE(t.esperar("resposta aviso: ok")) << t.tela();

    // Enter alone is Yes, the default button.
    ASSERT_TRUE(t.esperar("[S]im / [N]ão (Enter = Sim): ")) << t.tela();
    t.digitar("\r");
    ASSERT_TRUE(t.esperar("resposta confirmar: sim")) << t.tela();
    // An answer that is neither is asked again.
    ASSERT_TRUE(t.esperar("[S]im / [N]ão (Enter = Sim): "));
    t.digitar("talvez\r");
    ASSERT_TRUE(t.esperar("[S]im / [N]ão (Enter = Sim): ")) << t.tela();
    t.digitar("sair\r");  // begins like "sim", and is no answer
    ASSERT_TRUE(t.esperar("[S]im / [N]ão (Enter = Sim): ")) << t.tela();
    t.digitar(" NÃO \r");
    ASSERT_TRUE(t.esperar("resposta confirmar: nao")) << t.tela();
    ASSERT_TRUE(t.esperar("[S]im / [N]ão (Enter = Sim): "));
    t.digitar("Sim\r");
    ASSERT_TRUE(t.esperar("resposta confirmar: sim")) << t.tela();

    ASSERT_TRUE(t.esperar("Error 00035. File processing error, possibly disk is full"));
    ASSERT_TRUE(t.esperar("[A]bortar / [R]epetir / [I]gnorar: ")) << t.tela();
    t.digitar("repetir\r");
    ASSERT_TRUE(t.esperar("resposta falha: repetir")) << t.tela();

    // Code 61 offers no Retry: that answer is asked again.
    ASSERT_TRUE(t.esperar("Wrong password 00061"));
    ASSERT_TRUE(t.esperar("[A]bortar / [I]gnorar: ")) << t.tela();
    t.digitar("r\r");
    ASSERT_TRUE(t.esperar("[A]bortar / [I]gnorar: ")) << t.tela();
    t.digitar("i\r");
    ASSERT_TRUE(t.esperar("resposta falha61: ignorar")) << t.tela();

    // The end of input is Abort.
    ASSERT_TRUE(t.esperar("[A]bortar / [R]epetir / [I]gnorar: "));
    t.digitar("\x04");
    ASSERT_TRUE(t.esperar("resposta falha: abortar")) << t.tela();
    EXPECT_EQ(t.terminar(), 0);
}

TEST(CliPerguntas, KeysPressedBeforeAQuestionDoNotAnswerIt) {
    ProgramaEmTerminal t(comAjudante({"aviso", "confirmar"}));
    ASSERT_TRUE(t.esperar("Pressione Enter para continuar.")) << t.tela();
    // Enter closes the notice; the "n" and Enter typed with it came before the
    // confirmation was asked and are thrown away.
    t.digitar("\rn\r");
    ASSERT_TRUE(t.esperar("resposta aviso: ok")) << t.tela();
    ASSERT_TRUE(t.esperar("[S]im / [N]ão (Enter = Sim): ")) << t.tela();
    t.digitar("s\r");
    ASSERT_TRUE(t.esperar("resposta confirmar: sim")) << t.tela();
    EXPECT_EQ(t.terminar(), 0);
}

TEST(CliPerguntas, PasswordIsMaskedEditableAndLimitedTo255Characters) {
    struct Caso {
        std::string teclas, resposta, estrelas;
    };
    const std::string a300(300, 'a');
    const std::vector<Caso> casos = {
        {"segredo\r", "[segredo]", "*******"},
        {"abcX\x7f\r", "[abc]", "****\b \b"},             // Backspace erases one
        {"xyz\x15ok\r", "[ok]", "***\b \b\b \b\b \b**"},  // Ctrl-U erases all
        {"ção\x7f\x7f\xc3\xa3o\r", "[ção]", "***"},       // characters, not bytes
        {"\r", "[]", ""},                                 // an empty password is no Cancel
        {"\x04", "cancelada", ""},                        // Ctrl-D on an empty line cancels
        {a300 + "\r", "[" + std::string(255, 'a') + "]", std::string(255, '*') + "\a"},
        {std::string(254, 'a') + "éé\r", "[" + std::string(254, 'a') + "é]", ""},
    };
    std::vector<std::string> passos(casos.size(), "senha");
    ProgramaEmTerminal t(comAjudante(passos));
    for (const auto& caso : casos) {
        ASSERT_TRUE(t.esperar("Password for \"LOJA.FDB\"")) << t.tela();
        ASSERT_TRUE(t.esperar("Enter password: ")) << t.tela();
        const std::size_t antes = t.tela().size();
        t.digitar(caso.teclas);
        ASSERT_TRUE(t.esperar("resposta senha: " + caso.resposta + "\r\n")) << caso.teclas;
        const std::string eco = t.tela().substr(antes);
        EXPECT_TRUE(contem(eco, caso.estrelas)) << caso.teclas << "\nshown: " << eco;
        // Nothing typed shows as itself.
        const std::string tela = eco.substr(0, eco.find("resposta senha"));
        for (const char* segredo : {"segredo", "abc", "ok", "ção", "aaa"})
            EXPECT_FALSE(contem(tela, segredo)) << caso.teclas << "\nshown: " << tela;
    }
    EXPECT_EQ(t.terminar(), 0);
}

TEST(CliPerguntas, CtrlCDuringThePasswordLeavesTheTerminalEchoingAgain) {
    ProgramaEmTerminal t(comAjudante({"senha"}));
    ASSERT_TRUE(t.esperar("Enter password: ")) << t.tela();
    const int fd = ::open(t.dispositivo().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    termios durante{};
    ASSERT_EQ(::tcgetattr(fd, &durante), 0);
    EXPECT_EQ(durante.c_lflag & ECHO, 0u) << "the password would be echoed";

    t.digitar("meio\x03");
    EXPECT_EQ(t.terminar(), 128 + SIGINT) << t.tela();
    termios depois{};
    ASSERT_EQ(::tcgetattr(fd, &depois), 0);
    ::close(fd);
    EXPECT_NE(depois.c_lflag & ECHO, 0u) << "the terminal was left silent";
    EXPECT_NE(depois.c_lflag & ICANON, 0u) << "the terminal was left without line editing";
}

}  // namespace
}  // namespace vaultkeep
