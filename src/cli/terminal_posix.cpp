#include "cli/terminal.hpp"

#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace vaultkeep::cli {
namespace {

// While a masked line is read the terminal does not echo. A signal that ends the
// program then (Ctrl-C, a hang-up, kill) must not leave the person's terminal
// silent: the handler puts the settings back before the signal takes its course.
constexpr int kSinaisDeFim[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
constexpr int kNumSinais = sizeof kSinaisDeFim / sizeof kSinaisDeFim[0];

volatile sig_atomic_t g_fdMascarado = -1;
termios g_modoSalvo{};
struct sigaction g_acoesAnteriores[kNumSinais];

void restaurarTerminalEReemitir(int sinal) {
    const int fd = g_fdMascarado;
    if (fd >= 0)
        ::tcsetattr(fd, TCSANOW, &g_modoSalvo);
    for (int i = 0; i < kNumSinais; ++i)
        if (kSinaisDeFim[i] == sinal)
            ::sigaction(sinal, &g_acoesAnteriores[i], nullptr);
    ::raise(sinal);
}

// Echo and line editing off for the life of the object; input still raises
// signals (Ctrl-C stays Ctrl-C).
class ModoMascarado {
  public:
    explicit ModoMascarado(int fd) : fd_(fd) {
        if (::tcgetattr(fd, &g_modoSalvo) != 0)
            return;
        ativo_ = true;
        g_fdMascarado = fd;
        struct sigaction acao {};
        acao.sa_handler = restaurarTerminalEReemitir;
        ::sigemptyset(&acao.sa_mask);
        for (int s : kSinaisDeFim)
            ::sigaddset(&acao.sa_mask, s);
        for (int i = 0; i < kNumSinais; ++i) {
            ::sigaction(kSinaisDeFim[i], nullptr, &g_acoesAnteriores[i]);
            // A signal the program was told to ignore (nohup) stays ignored.
            if (g_acoesAnteriores[i].sa_handler != SIG_IGN)
                ::sigaction(kSinaisDeFim[i], &acao, nullptr);
        }
        termios modo = g_modoSalvo;
        modo.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON);
        modo.c_lflag |= ISIG;
        modo.c_cc[VMIN] = 1;
        modo.c_cc[VTIME] = 0;
        ::tcsetattr(fd, TCSAFLUSH, &modo);
    }
    ~ModoMascarado() {
        if (!ativo_)
            return;
        ::tcsetattr(fd_, TCSANOW, &g_modoSalvo);
        for (int i = 0; i < kNumSinais; ++i)
            if (g_acoesAnteriores[i].sa_handler != SIG_IGN)
                ::sigaction(kSinaisDeFim[i], &g_acoesAnteriores[i], nullptr);
        g_fdMascarado = -1;
    }
    ModoMascarado(const ModoMascarado&) = delete;
    ModoMascarado& operator=(const ModoMascarado&) = delete;

  private:
    int fd_;
    bool ativo_ = false;
};

// One byte; 0 at the end of input or on an error.
int lerByte(int fd, char& c) {
    for (;;) {
        const ssize_t n = ::read(fd, &c, 1);
        if (n == 1)
            return 1;
        if (n < 0 && errno == EINTR)
            continue;
        return 0;
    }
}

bool continuacaoUtf8(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

}  // namespace

std::unique_ptr<Terminal> Terminal::abrir() {
    if (!::isatty(STDIN_FILENO))
        return nullptr;
    Descritor tty(::open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY));
    if (tty.valido()) {
        const int fd = tty.get();
        return std::unique_ptr<Terminal>(new Terminal(fd, fd, std::move(tty)));
    }
    return std::unique_ptr<Terminal>(new Terminal(STDIN_FILENO, STDERR_FILENO, Descritor()));
}

Terminal::Terminal(int entrada, int saida, Descritor proprio)
    : entrada_(entrada), saida_(saida), proprio_(std::move(proprio)) {}

void Terminal::escrever(std::string_view texto) {
    while (!texto.empty()) {
        const ssize_t n = ::write(saida_, texto.data(), texto.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;  // a terminal that cannot be written shows nothing more
        texto.remove_prefix(static_cast<std::size_t>(n));
    }
}

void Terminal::descartarDigitado() {
    ::tcflush(entrada_, TCIFLUSH);
}

std::optional<std::string> Terminal::lerLinha() {
    std::string linha;
    char c;
    bool leuAlgo = false;
    while (lerByte(entrada_, c)) {
        leuAlgo = true;
        if (c == '\n')
            break;
        linha.push_back(c);
    }
    if (!leuAlgo)
        return std::nullopt;
    if (!linha.empty() && linha.back() == '\r')
        linha.pop_back();
    return linha;
}

std::optional<std::string> Terminal::lerSenha(std::string_view rotulo, std::size_t maxCaracteres) {
    std::string senha;
    std::size_t caracteres = 0;
    bool descartando = false;  // the rest of a character that did not fit
    {
        ModoMascarado mascarado(entrada_);
        escrever(rotulo);
        char c;
        for (;;) {
            if (!lerByte(entrada_, c)) {
                escrever("\n");
                return std::nullopt;
            }
            const auto b = static_cast<unsigned char>(c);
            if (c == '\n' || c == '\r')
                break;
            if (c == '\x04') {  // Ctrl-D
                if (senha.empty()) {
                    escrever("\n");
                    return std::nullopt;
                }
                continue;
            }
            if (c == '\x7f' || c == '\b') {
                if (caracteres == 0)
                    continue;
                while (!senha.empty() && continuacaoUtf8(static_cast<unsigned char>(senha.back())))
                    senha.pop_back();
                if (!senha.empty())
                    senha.pop_back();
                --caracteres;
                escrever("\b \b");
                continue;
            }
            if (c == '\x15') {  // Ctrl-U
                for (; caracteres > 0; --caracteres)
                    escrever("\b \b");
                senha.clear();
                continue;
            }
            if (b < 0x20)
                continue;  // other control keys take no part in a password
            if (continuacaoUtf8(b)) {
                if (!descartando && caracteres > 0)
                    senha.push_back(c);
                continue;
            }
            if (caracteres == maxCaracteres) {
                descartando = true;
                escrever("\a");
                continue;
            }
            descartando = false;
            senha.push_back(c);
            ++caracteres;
            escrever("*");
        }
    }
    escrever("\n");
    return senha;
}

}  // namespace vaultkeep::cli
