#include "support/firebird.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "support/process.hpp"
#include "support/test_env.hpp"

namespace vaultkeep::teste {
namespace {

// A path inside a SQL string literal.
std::string literalSql(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        out += c;
        if (c == '\'')
            out += '\'';
    }
    return out + "'";
}

std::string enderecoServidor(const fs::path& arquivo) {
    return "localhost:" + arquivo.string();
}

void exigir(const Execucao& e, const std::string& oque) {
    if (e.codigo != 0 || e.expirou)
        throw std::runtime_error(oque + " failed (" + std::to_string(e.codigo) + "): " + e.saida);
}

std::uint16_t u16(const std::string& d, std::size_t pos) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(d[pos]) |
                                      (static_cast<unsigned char>(d[pos + 1]) << 8));
}

// The on-disk layout this needs (ODS 12): every page starts with a 16-byte header
// whose first byte is the page type; the header page (page 0) holds the page size
// right after it. A data page (type 5) continues with its sequence (4 bytes), its
// relation id (2), its record count (2) and then one (offset, length) pair of
// 2-byte numbers per record; a record starts with its 4-byte transaction number.
// User tables have relation ids from 128 on.
struct Pagina {
    std::size_t tamanho = 0;
    std::size_t indice = 0;
};

Pagina primeiraPaginaDeDados(const std::string& d) {
    if (d.size() < 64)
        throw std::runtime_error("not a database");
    const std::size_t tamanho = u16(d, 16);
    if (tamanho < 1024 || d.size() % tamanho != 0)
        throw std::runtime_error("unexpected page size");
    for (std::size_t i = 1; i < d.size() / tamanho; ++i) {
        const std::size_t base = i * tamanho;
        if (d[base] == 5 && u16(d, base + 20) >= 128 && u16(d, base + 22) > 0)
            return {tamanho, i};
    }
    throw std::runtime_error("no data page of a user table");
}

void reescrever(const fs::path& arquivo, const std::string& dados) {
    std::ofstream out(arquivo, std::ios::binary | std::ios::in | std::ios::out);
    out.write(dados.data(), static_cast<std::streamsize>(dados.size()));
    if (!out)
        throw std::runtime_error("cannot rewrite " + arquivo.string());
}

}  // namespace

void criarBancoAmostra(const fs::path& arquivo, int linhas) {
    const std::string sql = "create database " + literalSql(arquivo.string()) +
                            " page_size 8192;\n"
                            "create table clientes(id integer not null primary key, nome "
                            "varchar(200));\n"
                            "set term ^;\n"
                            "execute block as declare i integer = 0; begin while (i < " +
                            std::to_string(linhas) +
                            ") do begin insert into clientes values(:i, 'cliente numero ' || :i "
                            "|| ' com um nome comprido para encher paginas'); i = i + 1; end end^\n"
                            "set term ;^\n"
                            "commit;\n";
    OpcoesExecucao op;
    op.entrada = sql;
    op.limite = std::chrono::minutes(2);
    exigir(executarPrograma({"isql-fb", "-q", "-user", "SYSDBA"}, op), "isql-fb create database");
}

void abrirParaServidor(const fs::path& arquivo) {
    ::chmod(arquivo.c_str(), 0666);
    const fs::path raiz = raizTeste();
    for (fs::path p = arquivo.parent_path(); !p.empty(); p = p.parent_path()) {
        struct stat st;
        if (::stat(p.c_str(), &st) == 0)
            ::chmod(p.c_str(), (st.st_mode & 07777) | 0011);
        if (p == raiz || p == p.root_path())
            break;
    }
}

void executarSqlNoServidor(const fs::path& arquivo, const std::string& sql) {
    OpcoesExecucao op;
    op.entrada = sql;
    op.limite = std::chrono::minutes(2);
    const auto r = executarPrograma(
        {"isql-fb", "-q", "-user", "SYSDBA", "-pass", kSenhaSysdba, enderecoServidor(arquivo)}, op);
    exigir(r, "isql-fb through the server");
    // isql-fb reports a failed statement but still exits 0 when input ends.
    if (r.saida.find("Statement failed") != std::string::npos)
        throw std::runtime_error("isql-fb through the server: " + r.saida);
}

void danificarRegistros(const fs::path& arquivo) {
    std::string d = lerArquivo(arquivo);
    const Pagina p = primeiraPaginaDeDados(d);
    const std::size_t base = p.indice * p.tamanho;
    const std::uint16_t registros = u16(d, base + 22);
    for (std::size_t r = 0; r < registros; ++r) {
        const std::size_t deslocamento = u16(d, base + 24 + 4 * r);
        if (deslocamento == 0 || deslocamento + 4 > p.tamanho)
            continue;
        std::memcpy(&d[base + deslocamento], "\xff\xff\xff\x7f", 4);
    }
    reescrever(arquivo, d);
}

void zerarPaginaDeDados(const fs::path& arquivo) {
    std::string d = lerArquivo(arquivo);
    const Pagina p = primeiraPaginaDeDados(d);
    std::memset(&d[p.indice * p.tamanho], 0, p.tamanho);
    reescrever(arquivo, d);
}

void copiarDuranteEscrita(const fs::path& origem, const fs::path& destino) {
    std::ifstream in(origem, std::ios::binary);
    std::ofstream out(destino, std::ios::binary | std::ios::trunc);
    if (!in || !out)
        throw std::runtime_error("cannot copy " + origem.string());
    const auto tamanho = fs::file_size(origem);
    const std::size_t metade = (tamanho / 2) / 8192 * 8192;
    std::vector<char> buf(metade);
    in.read(buf.data(), static_cast<std::streamsize>(metade));
    out.write(buf.data(), in.gcount());

    // The writer: each block appends rows (new pages at the end of the file) and
    // changes and removes rows stored near its start, and commits.
    std::string sql = "set term ^;\n";
    for (int b = 0; b < 20; ++b) {
        const int inicio = 5000000 + b * 200;
        sql += "execute block as declare i integer = " + std::to_string(inicio) +
               "; begin while (i < " + std::to_string(inicio + 200) +
               ") do begin insert into clientes values(:i, 'linha ' || :i || ' com texto para "
               "encher as paginas de dados do banco'); i = i + 1; end "
               "update clientes set nome = nome || 'z' where id < 3000 and mod(id, 7) = " +
               std::to_string(b % 7) + "; delete from clientes where id between " +
               std::to_string(b * 10) + " and " + std::to_string(b * 10 + 5) + "; end^\n";
        sql += "commit^\n";
    }
    sql += "set term ;^\n";
    executarSqlNoServidor(origem, sql);

    out << in.rdbuf();
    out.flush();
    if (!out)
        throw std::runtime_error("cannot copy " + origem.string());
}

ConexaoServidor::ConexaoServidor(const fs::path& arquivo) {
    int entrada[2], saida[2];
    if (::pipe2(entrada, O_CLOEXEC) != 0 || ::pipe2(saida, O_CLOEXEC) != 0)
        throw std::runtime_error(std::strerror(errno));
    const std::string endereco = enderecoServidor(arquivo);
    pid_ = ::fork();
    if (pid_ < 0)
        throw std::runtime_error(std::strerror(errno));
    if (pid_ == 0) {
        ::dup2(entrada[0], 0);
        ::dup2(saida[1], 1);
        ::dup2(saida[1], 2);
        ::execlp("isql-fb", "isql-fb", "-q", "-user", "SYSDBA", "-pass", kSenhaSysdba,
                 endereco.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(entrada[0]);
    ::close(saida[1]);
    entrada_ = entrada[1];
    saida_ = saida[0];

    // A query proves the attachment; its transaction stays open.
    const std::string consulta = "select 'CONEC' || 'TADO' from rdb$database;\n";
    if (::write(entrada_, consulta.data(), consulta.size()) !=
        static_cast<ssize_t>(consulta.size())) {
        encerrar();
        throw std::runtime_error("cannot talk to isql-fb");
    }
    std::string lido;
    const auto fim = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (lido.find("CONECTADO") == std::string::npos) {
        const auto resta = std::chrono::duration_cast<std::chrono::milliseconds>(
                               fim - std::chrono::steady_clock::now())
                               .count();
        pollfd p{saida_, POLLIN, 0};
        char buf[1024];
        ssize_t n = 0;
        if (resta <= 0 || ::poll(&p, 1, static_cast<int>(resta)) <= 0 ||
            (n = ::read(saida_, buf, sizeof buf)) <= 0) {
            encerrar();
            throw std::runtime_error("attachment through the server failed: " + lido);
        }
        lido.append(buf, static_cast<std::size_t>(n));
    }
}

ConexaoServidor::~ConexaoServidor() {
    encerrar();
}

void ConexaoServidor::encerrar() {
    if (entrada_ >= 0)
        ::close(entrada_);
    entrada_ = -1;
    if (pid_ > 0) {
        // isql-fb leaves at the end of its input; give it a while, then make sure.
        int status = 0;
        for (int i = 0; i < 100; ++i) {
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
            pid_ = -1;
        }
    }
    if (saida_ >= 0)
        ::close(saida_);
    saida_ = -1;
}

}  // namespace vaultkeep::teste
