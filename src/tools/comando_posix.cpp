#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "common/descritor.hpp"
#include "tools/comando.hpp"

extern char** environ;

namespace vaultkeep {
namespace {

class AcoesSpawn {
  public:
    AcoesSpawn() { ::posix_spawn_file_actions_init(&a_); }
    ~AcoesSpawn() { ::posix_spawn_file_actions_destroy(&a_); }
    AcoesSpawn(const AcoesSpawn&) = delete;
    AcoesSpawn& operator=(const AcoesSpawn&) = delete;
    posix_spawn_file_actions_t* get() { return &a_; }

  private:
    posix_spawn_file_actions_t a_;
};

// Spawn attributes that give the child a clean signal state: nothing blocked and
// the signals a parent commonly ignores or catches back at their defaults (a tool
// that inherits an ignored SIGPIPE, for instance, misbehaves on a closed pipe).
class AtributosSpawn {
  public:
    AtributosSpawn() {
        ::posix_spawnattr_init(&a_);
        sigset_t vazio, padrao;
        sigemptyset(&vazio);
        sigemptyset(&padrao);
        for (int s : {SIGPIPE, SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGCHLD, SIGUSR1, SIGUSR2})
            sigaddset(&padrao, s);
        ::posix_spawnattr_setsigmask(&a_, &vazio);
        ::posix_spawnattr_setsigdefault(&a_, &padrao);
        ::posix_spawnattr_setflags(&a_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    ~AtributosSpawn() { ::posix_spawnattr_destroy(&a_); }
    AtributosSpawn(const AtributosSpawn&) = delete;
    AtributosSpawn& operator=(const AtributosSpawn&) = delete;
    const posix_spawnattr_t* get() const { return &a_; }

  private:
    posix_spawnattr_t a_;
};

std::vector<char*> vetorC(const std::vector<std::string>& argv) {
    std::vector<char*> v;
    v.reserve(argv.size() + 1);
    for (const auto& a : argv)
        v.push_back(const_cast<char*>(a.c_str()));
    v.push_back(nullptr);
    return v;
}

// Waits for the child and turns its status into one number.
int aguardar(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

}  // namespace

ResultadoComando executarComandoDetalhado(const std::vector<std::string>& argv,
                                          const std::string& pasta) {
    ResultadoComando r;
    if (argv.empty() || argv[0].empty())
        return r;
    int tubo[2];
    if (::pipe2(tubo, O_CLOEXEC) != 0)
        return r;
    Descritor leitura(tubo[0]), escrita(tubo[1]);

    AcoesSpawn acoes;
    ::posix_spawn_file_actions_adddup2(acoes.get(), escrita.get(), STDOUT_FILENO);
    ::posix_spawn_file_actions_adddup2(acoes.get(), escrita.get(), STDERR_FILENO);
    if (!pasta.empty())
        ::posix_spawn_file_actions_addchdir_np(acoes.get(), pasta.c_str());
    // Nothing of ours beyond the three standard handles reaches the tool: a file
    // we hold locked must not stay locked while it runs.
    ::posix_spawn_file_actions_addclosefrom_np(acoes.get(), STDERR_FILENO + 1);
    AtributosSpawn atributos;

    auto args = vetorC(argv);
    pid_t pid = -1;
    const int erro =
        ::posix_spawnp(&pid, args[0], acoes.get(), atributos.get(), args.data(), environ);
    // Our copy of the write end must go, or the read below would never see the end.
    escrita.fechar();
    if (erro != 0)
        return r;
    r.iniciado = true;

    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(leitura.get(), buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        r.saida.append(buf, static_cast<std::size_t>(n));
    }
    leitura.fechar();
    r.codigo = aguardar(pid);
    return r;
}

std::string executarComando(const std::vector<std::string>& argv, const std::string& pasta) {
    return executarComandoDetalhado(argv, pasta).saida;
}

bool executarEAguardar(UiPort& ui, const std::string& programa,
                       const std::vector<std::string>& parametros) {
    std::vector<std::string> argv;
    argv.reserve(parametros.size() + 1);
    argv.push_back(programa);
    argv.insert(argv.end(), parametros.begin(), parametros.end());

    AcoesSpawn acoes;
    ::posix_spawn_file_actions_addopen(acoes.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_addopen(acoes.get(), STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    ::posix_spawn_file_actions_addopen(acoes.get(), STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    ::posix_spawn_file_actions_addclosefrom_np(acoes.get(), STDERR_FILENO + 1);
    AtributosSpawn atributos;

    auto args = vetorC(argv);
    pid_t pid = -1;
    const int erro = programa.empty() ? ENOENT
                                      : ::posix_spawnp(&pid, args[0], acoes.get(), atributos.get(),
                                                       args.data(), environ);
    if (erro != 0) {
        ui.aviso(kTituloAplicacao, std::system_category().message(erro));
        return false;
    }
    aguardar(pid);
    return true;
}

}  // namespace vaultkeep
