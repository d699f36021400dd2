#pragma once
// Sample Firebird databases for the tests that run the real server and gfix.
//
// Databases are made at test time with isql-fb through embedded access (no server
// needed to create them). Attachments "through the server" go to
// localhost:<path> as SYSDBA with the program's fixed password, which
// scripts/firebird start sets on the test server. The server runs as the user
// "firebird", so a file it must open is made readable and writable for it first
// (abrirParaServidor).

#include <sys/types.h>

#include <filesystem>
#include <string>

namespace vaultkeep::teste {

namespace fs = std::filesystem;

inline constexpr const char* kSenhaSysdba = "plumtiger";

// Creates a database with one table CLIENTES(ID integer primary key, NOME
// varchar(200)) holding `linhas` rows (IDs 0 to linhas-1), page size 8192.
// Throws std::runtime_error with isql-fb's output on failure.
void criarBancoAmostra(const fs::path& arquivo, int linhas = 5000);

// Lets the server open the file: read and write for everyone on the file, and
// search rights on every folder from the test root down to it.
void abrirParaServidor(const fs::path& arquivo);

// Runs SQL through the server as SYSDBA. Throws with isql-fb's output on failure.
void executarSqlNoServidor(const fs::path& arquivo, const std::string& sql);

// Damages the records of the first user table's first data page: their
// transaction number is set far past any transaction the database has seen. gfix
// stops on it with an internal consistency check and a non-zero exit status.
void danificarRegistros(const fs::path& arquivo);

// Zeroes the first data page of the first user table, as an interrupted write
// leaves a page. gfix lists page errors in its summary and exits with status 0.
void zerarPaginaDeDados(const fs::path& arquivo);

// Copies `origem` the way a copy taken while another connection writes to it
// comes out, with the interleaving fixed so that the result is always the same:
// the first half of the file is copied, then a writer attached through the server
// commits inserts, updates and deletes (the file's table CLIENTES must have the
// rows of criarBancoAmostra), then the rest is copied. `origem` must be open to
// the server.
void copiarDuranteEscrita(const fs::path& origem, const fs::path& destino);

// An attachment to the database through the server, with a transaction open,
// held until the object is destroyed.
class ConexaoServidor {
  public:
    // Waits until the attachment is made; throws with isql-fb's output when it fails.
    explicit ConexaoServidor(const fs::path& arquivo);
    ~ConexaoServidor();
    ConexaoServidor(const ConexaoServidor&) = delete;
    ConexaoServidor& operator=(const ConexaoServidor&) = delete;

    // Ends the attachment and waits for isql-fb to leave.
    void encerrar();

  private:
    pid_t pid_ = -1;
    int entrada_ = -1;
    int saida_ = -1;
};

}  // namespace vaultkeep::teste
