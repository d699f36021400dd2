#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>

#include "common/descritor.hpp"
#include "common/text.hpp"
#include "settings/registry.hpp"

namespace vaultkeep {
namespace {

constexpr std::string_view kRaiz = "HKEY_CURRENT_USER\\";
constexpr std::string_view kCabecalho = "REGEDIT4";

struct Valor {
    std::string nome;
    TipoRegistro tipo;
    std::string bytes;
};

struct Chave {
    std::string caminho;  // below HKEY_CURRENT_USER
    std::vector<Valor> valores;
};

using Hive = std::vector<Chave>;

// The exclusive lock that serialises every change of the hive, between threads
// (each holds its own open file description) and between processes.
class TravaHive {
  public:
    explicit TravaHive(const fs::path& hive) {
        const fs::path lock = hive.string() + ".lock";
        Descritor fd(::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
        if (fd.get() < 0)
            throw std::system_error(errno, std::generic_category());
        while (::flock(fd.get(), LOCK_EX) != 0)
            if (errno != EINTR)
                throw std::system_error(errno, std::generic_category());
        fd_ = fd.liberar();
    }
    TravaHive(const TravaHive&) = delete;
    TravaHive& operator=(const TravaHive&) = delete;
    ~TravaHive() {
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
    }

  private:
    int fd_ = -1;
};

// --- text form ---------------------------------------------------------------

std::optional<std::string> lerEntreAspas(std::string_view linha, std::size_t& pos) {
    if (pos >= linha.size() || linha[pos] != '"')
        return std::nullopt;
    std::string out;
    for (++pos; pos < linha.size(); ++pos) {
        const char c = linha[pos];
        if (c == '"') {
            ++pos;
            return out;
        }
        if (c == '\\') {
            if (++pos >= linha.size())
                return std::nullopt;
        }
        out.push_back(linha[pos]);
    }
    return std::nullopt;
}

int digitoHex(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<std::string> lerBytesHex(std::string_view s) {
    std::string out;
    std::size_t i = 0;
    auto pularBrancos = [&] {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
            ++i;
    };
    pularBrancos();
    while (i < s.size()) {
        if (i + 1 >= s.size())
            return std::nullopt;
        const int a = digitoHex(s[i]), b = digitoHex(s[i + 1]);
        if (a < 0 || b < 0)
            return std::nullopt;
        out.push_back(static_cast<char>(a * 16 + b));
        i += 2;
        pularBrancos();
        if (i < s.size()) {
            if (s[i] != ',')
                return std::nullopt;
            ++i;
            pularBrancos();
        }
    }
    return out;
}

std::optional<Valor> lerDado(std::string nome, std::string_view dado) {
    if (dado.size() >= 1 && dado[0] == '"') {
        std::size_t pos = 0;
        auto texto = lerEntreAspas(dado, pos);
        if (!texto || aparar(dado.substr(pos)).size() != 0)
            return std::nullopt;
        return Valor{std::move(nome), TipoRegistro::Sz, *texto + '\0'};
    }
    if (dado.starts_with("dword:")) {
        const std::string_view h = dado.substr(6);
        if (h.size() != 8)
            return std::nullopt;
        std::uint32_t v = 0;
        for (char c : h) {
            const int d = digitoHex(c);
            if (d < 0)
                return std::nullopt;
            v = v * 16 + static_cast<std::uint32_t>(d);
        }
        std::string bytes(4, '\0');
        for (int i = 0; i < 4; ++i)
            bytes[i] = static_cast<char>(v >> (8 * i));
        return Valor{std::move(nome), TipoRegistro::Dword, bytes};
    }
    TipoRegistro tipo = TipoRegistro::Binary;
    std::string_view resto;
    if (dado.starts_with("hex:")) {
        resto = dado.substr(4);
    } else if (dado.starts_with("hex(")) {
        const auto fecha = dado.find("):");
        if (fecha == std::string_view::npos || fecha == 4)
            return std::nullopt;
        std::uint32_t t = 0;
        for (char c : dado.substr(4, fecha - 4)) {
            const int d = digitoHex(c);
            if (d < 0)
                return std::nullopt;
            t = t * 16 + static_cast<std::uint32_t>(d);
        }
        tipo = static_cast<TipoRegistro>(t);
        resto = dado.substr(fecha + 2);
    } else {
        return std::nullopt;
    }
    auto bytes = lerBytesHex(resto);
    if (!bytes)
        return std::nullopt;
    return Valor{std::move(nome), tipo, std::move(*bytes)};
}

// Parses the hive; nothing when the text is not a hive we can read (it is then
// left alone rather than overwritten).
std::optional<Hive> interpretar(const std::string& texto) {
    std::vector<std::string> linhas;
    {
        std::istringstream in(texto);
        std::string linha, logica;
        while (std::getline(in, linha)) {
            if (!linha.empty() && linha.back() == '\r')
                linha.pop_back();
            // A hex value may continue on the next line after a trailing "\".
            if (!logica.empty()) {
                logica += aparar(linha);
            } else {
                logica = linha;
            }
            if (!logica.empty() && logica.back() == '\\' &&
                logica.find("=hex") != std::string::npos) {
                logica.pop_back();
                continue;
            }
            linhas.push_back(std::move(logica));
            logica.clear();
        }
        if (!logica.empty())
            return std::nullopt;
    }
    std::size_t i = 0;
    while (i < linhas.size() && aparar(linhas[i]).empty())
        ++i;
    if (i == linhas.size() || aparar(linhas[i]) != kCabecalho)
        return std::nullopt;
    Hive hive;
    for (++i; i < linhas.size(); ++i) {
        const std::string linha = aparar(linhas[i]);
        if (linha.empty() || linha[0] == ';')
            continue;
        if (linha.front() == '[') {
            if (linha.back() != ']')
                return std::nullopt;
            std::string caminho = linha.substr(1, linha.size() - 2);
            if (!iguaisSemCaixaAscii(std::string_view(caminho).substr(0, kRaiz.size()), kRaiz))
                return std::nullopt;
            hive.push_back(Chave{caminho.substr(kRaiz.size()), {}});
            continue;
        }
        if (hive.empty())
            return std::nullopt;
        std::string nome;
        std::size_t pos = 0;
        if (linha[0] == '@') {
            pos = 1;
        } else {
            auto n = lerEntreAspas(linha, pos);
            if (!n)
                return std::nullopt;
            nome = *n;
        }
        if (pos >= linha.size() || linha[pos] != '=')
            return std::nullopt;
        const std::string_view dado = std::string_view(linha).substr(pos + 1);
        if (dado == "-")
            continue;
        auto valor = lerDado(std::move(nome), dado);
        if (!valor)
            return std::nullopt;
        auto& valores = hive.back().valores;
        std::erase_if(valores,
                      [&](const Valor& v) { return iguaisSemCaixaAscii(v.nome, valor->nome); });
        valores.push_back(std::move(*valor));
    }
    return hive;
}

std::string entreAspas(std::string_view s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\')
            out.push_back('\\');
        out.push_back(c);
    }
    return out + '"';
}

std::string serializar(const Hive& hive) {
    std::string out = std::string(kCabecalho) + "\n";
    static constexpr char kHex[] = "0123456789abcdef";
    for (const Chave& chave : hive) {
        out += "\n[" + std::string(kRaiz) + chave.caminho + "]\n";
        for (const Valor& v : chave.valores) {
            out += v.nome.empty() ? std::string("@") : entreAspas(v.nome);
            out += '=';
            const std::string_view b = v.bytes;
            const bool textoSimples =
                v.tipo == TipoRegistro::Sz && !b.empty() && b.back() == '\0' &&
                b.substr(0, b.size() - 1).find_first_of(std::string_view("\0\r\n", 3)) ==
                    std::string_view::npos;
            if (textoSimples) {
                out += entreAspas(b.substr(0, b.size() - 1));
            } else if (v.tipo == TipoRegistro::Dword && b.size() == 4) {
                char buf[16];
                std::uint32_t d = 0;
                for (int i = 3; i >= 0; --i)
                    d = d << 8 | static_cast<unsigned char>(b[i]);
                std::snprintf(buf, sizeof buf, "dword:%08x", d);
                out += buf;
            } else {
                char buf[16];
                std::snprintf(buf, sizeof buf, "hex(%x):", static_cast<unsigned>(v.tipo));
                out += buf;
                for (std::size_t i = 0; i < b.size(); ++i) {
                    if (i)
                        out += ',';
                    const auto c = static_cast<unsigned char>(b[i]);
                    out += kHex[c >> 4];
                    out += kHex[c & 15];
                }
            }
            out += '\n';
        }
    }
    return out;
}

// --- file access ---------------------------------------------------------------

// The hive's text; an empty optional when the file does not exist. Throws when
// it exists but cannot be read.
std::optional<std::string> lerArquivo(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    if (!in) {
        std::error_code ec;
        if (!fs::exists(p, ec) && !ec)
            return std::nullopt;
        throw std::runtime_error("cannot read the hive");
    }
    std::ostringstream s;
    s << in.rdbuf();
    if (in.bad())
        throw std::runtime_error("cannot read the hive");
    return s.str();
}

// The current hive, or an empty one when there is no file yet. Throws when the
// file cannot be read or understood.
Hive carregar(const fs::path& p) {
    const auto texto = lerArquivo(p);
    if (!texto)
        return {};
    auto hive = interpretar(*texto);
    if (!hive)
        throw std::runtime_error("the hive cannot be understood");
    return std::move(*hive);
}

void gravarTudo(int fd, std::string_view dados) {
    while (!dados.empty()) {
        const ssize_t n = ::write(fd, dados.data(), dados.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw std::system_error(errno, std::generic_category());
        }
        dados.remove_prefix(static_cast<std::size_t>(n));
    }
}

// Replaces the hive file atomically: a reader sees the old or the new file whole.
void substituir(const fs::path& p, const Hive& hive) {
    const std::string texto = serializar(hive);
    std::string modelo = p.string() + ".XXXXXX";
    Descritor fd(::mkostemp(modelo.data(), O_CLOEXEC));
    if (fd.get() < 0)
        throw std::system_error(errno, std::generic_category());
    try {
        ::fchmod(fd.get(), 0600);
        gravarTudo(fd.get(), texto);
        if (::fsync(fd.get()) != 0)
            throw std::system_error(errno, std::generic_category());
        if (::close(fd.liberar()) != 0)
            throw std::system_error(errno, std::generic_category());
        if (::rename(modelo.c_str(), p.c_str()) != 0)
            throw std::system_error(errno, std::generic_category());
    } catch (...) {
        ::unlink(modelo.c_str());
        throw;
    }
    Descritor pasta(::open(p.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (pasta.get() >= 0)
        ::fsync(pasta.get());
}

Chave* acharChave(Hive& hive, std::string_view caminho) {
    for (Chave& c : hive)
        if (iguaisSemCaixaAscii(c.caminho, caminho))
            return &c;
    return nullptr;
}

void definir(Chave& chave, Valor valor) {
    for (Valor& v : chave.valores) {
        if (iguaisSemCaixaAscii(v.nome, valor.nome)) {
            v.tipo = valor.tipo;
            v.bytes = std::move(valor.bytes);
            return;
        }
    }
    chave.valores.push_back(std::move(valor));
}

std::runtime_error falhaGravacao(const std::string& nome) {
    return std::runtime_error("Failed to set data for '" + nome + "'");
}

// Writes the values of the key `caminho` under one hold of the lock. Each value
// is its own atomic replacement, so a failure leaves the values before it
// written, as separate registry writes would.
void gravarNoHive(bool aberta, const std::string& caminho, const std::vector<Valor>& valores) {
    if (valores.empty())
        return;
    if (!aberta)
        throw falhaGravacao(valores.front().nome);
    const fs::path p = ChaveRegistro::arquivoHive();
    std::optional<TravaHive> trava;
    Hive hive;
    try {
        trava.emplace(p);
        hive = carregar(p);
    } catch (const std::exception&) {
        throw falhaGravacao(valores.front().nome);
    }
    for (const Valor& valor : valores) {
        try {
            Chave* chave = acharChave(hive, caminho);
            if (!chave) {
                hive.push_back(Chave{caminho, {}});
                chave = &hive.back();
            }
            definir(*chave, valor);
            substituir(p, hive);
        } catch (const std::exception&) {
            throw falhaGravacao(valor.nome);
        }
    }
}

}  // namespace

fs::path ChaveRegistro::arquivoHive() {
    return pastaConfiguracao() / "vaultkeep" / "registry.reg";
}

ChaveRegistro::ChaveRegistro(std::string caminho) : caminho_(std::move(caminho)) {
    try {
        const fs::path p = arquivoHive();
        fs::create_directories(p.parent_path());
        TravaHive trava(p);
        Hive hive = carregar(p);
        if (!acharChave(hive, caminho_)) {
            hive.push_back(Chave{caminho_, {}});
            substituir(p, hive);
        }
        aberta_ = true;
    } catch (const std::exception&) {
        aberta_ = false;
    }
}

std::string ChaveRegistro::lerTexto(std::string_view nome) const {
    if (!aberta_)
        return {};
    Hive hive;
    try {
        hive = carregar(arquivoHive());
    } catch (const std::exception&) {
        return {};
    }
    Chave* chave = acharChave(hive, caminho_);
    if (!chave)
        return {};
    for (const Valor& v : chave->valores) {
        if (!iguaisSemCaixaAscii(v.nome, nome))
            continue;
        if (v.bytes.empty())
            return {};
        if (v.tipo != TipoRegistro::Sz && v.tipo != TipoRegistro::ExpandSz)
            throw std::runtime_error("Invalid data type for '" + std::string(nome) + "'");
        return v.bytes.substr(0, v.bytes.find('\0'));
    }
    return {};
}

void ChaveRegistro::gravarTexto(std::string_view nome, std::string_view valor) {
    gravarTextos({{std::string(nome), std::string(valor)}});
}

void ChaveRegistro::gravarTextos(const std::vector<std::pair<std::string, std::string>>& valores) {
    std::vector<Valor> sz;
    for (const auto& [nome, valor] : valores)
        sz.push_back(Valor{nome, TipoRegistro::Sz, valor + '\0'});
    gravarNoHive(aberta_, caminho_, sz);
}

void ChaveRegistro::gravarValor(std::string_view nome, TipoRegistro tipo, std::string_view bytes) {
    gravarNoHive(aberta_, caminho_, {Valor{std::string(nome), tipo, std::string(bytes)}});
}

}  // namespace vaultkeep
