#include "restore/restore_fixture.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <ctime>
#include <fstream>
#include <stdexcept>

#include "backup/zip_archive.hpp"
#include "settings/settings.hpp"
#include "support/process.hpp"
#include "support/test_env.hpp"

extern char** environ;

namespace vaultkeep::teste {

void UiComAcaoNoAviso::aviso(const std::string& titulo, const std::string& texto) {
    ScriptedUi::aviso(titulo, texto);
    if (aoAvisar)
        aoAvisar();
}

fs::path criarArquivoBackup(const fs::path& arquivo, const std::vector<fs::path>& arquivos) {
    const fs::path pasta = novaPasta("conteudo_" + arquivo.stem().string());
    for (const auto& a : arquivos)
        fs::copy_file(a, pasta / a.filename(), fs::copy_options::overwrite_existing);
    UiPortSemPessoa ui;
    compactarArquivos(ui, arquivo.string(), pasta.string(), "*.*", segredoEmbutido());
    return arquivo;
}

std::string zipSemEntradas() {
    return std::string("PK\x05\x06", 4) + std::string(18, '\0');
}

std::set<std::string> nomesNaPasta(const fs::path& pasta) {
    std::set<std::string> nomes;
    std::error_code ec;
    for (fs::directory_iterator it(pasta, ec), fim; !ec && it != fim; it.increment(ec))
        nomes.insert(it->path().filename().string());
    return nomes;
}

std::set<std::string> arquivosAbaixo(const fs::path& raiz) {
    std::set<std::string> nomes;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(raiz, ec), fim; !ec && it != fim; it.increment(ec))
        if (it->is_regular_file(ec))
            nomes.insert(fs::relative(it->path(), raiz).string());
    return nomes;
}

bool mesmoBancoForaDoCabecalho(const fs::path& a, const fs::path& b) {
    const std::string da = lerArquivo(a);
    const std::string db = lerArquivo(b);
    if (da.size() != db.size() || da.size() < 64)
        return false;
    // The page size sits right after the 16-byte page header of page 0.
    const std::size_t pagina = static_cast<unsigned char>(da[16]) |
                               (static_cast<std::size_t>(static_cast<unsigned char>(da[17])) << 8);
    if (pagina < 1024 || da.size() % pagina != 0)
        return false;
    constexpr char kCabecalho = 1, kPonteiros = 4;
    for (std::size_t inicio = 0; inicio < da.size(); inicio += pagina) {
        const char tipo = da[inicio];
        if (tipo != db[inicio])
            return false;
        if (tipo == kCabecalho || tipo == kPonteiros)
            continue;
        if (da.compare(inicio, pagina, db, inicio, pagina) != 0)
            return false;
    }
    return true;
}

namespace {
std::string hoje(const char* formato) {
    const std::time_t agora = std::time(nullptr);
    std::tm t{};
    ::localtime_r(&agora, &t);
    char buf[32];
    std::strftime(buf, sizeof buf, formato, &t);
    return buf;
}
}  // namespace

std::string radicalDeHoje() {
    return "BASE_ANTIGA_" + hoje("%d_%m_%Y");
}

std::string dataDeHoje() {
    return hoje("%d/%m/%Y");
}

ProcessoComArquivo::ProcessoComArquivo(const std::string& nome, const fs::path& arquivo,
                                       bool travar) {
    const fs::path programa = copiaDeSleep(nome);
    std::string p = programa.string(), segundos = "300";
    char* argv[] = {p.data(), segundos.data(), nullptr};
    pid_ = ::fork();
    if (pid_ < 0)
        throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        const int fd = ::open(arquivo.c_str(), O_RDONLY);
        if (fd < 0 || ::dup2(fd, STDIN_FILENO) < 0)
            ::_exit(126);
        if (travar && ::flock(STDIN_FILENO, LOCK_EX) != 0)
            ::_exit(125);
        ::execv(argv[0], argv);
        ::_exit(127);
    }
    // The descriptor and the lock exist once the program runs under its own name.
    for (int i = 0; i < 500; ++i) {
        std::ifstream comm("/proc/" + std::to_string(pid_) + "/comm");
        std::string atual;
        std::getline(comm, atual);
        if (atual == nome.substr(0, 15))
            return;
        ::usleep(10000);
    }
    throw std::runtime_error(nome + " did not start");
}

ProcessoComArquivo::~ProcessoComArquivo() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        int st = 0;
        ::waitpid(pid_, &st, 0);
    }
}

std::string perguntarComoNobody(const fs::path& arquivo) {
    OpcoesExecucao op;
    op.limite = std::chrono::seconds(30);
    const auto r = executarPrograma({"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                                     EM_USO_AJUDANTE, arquivo.string()},
                                    op);
    if (r.codigo != 0)
        throw std::runtime_error("helper failed (" + std::to_string(r.codigo) + "): " + r.saida);
    std::string s = r.saida;
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r'))
        s.pop_back();
    return s;
}

}  // namespace vaultkeep::teste
