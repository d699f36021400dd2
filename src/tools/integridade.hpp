#pragma once
// The database integrity test: Firebird's gfix validates the file in full, and
// its printed output and exit status decide whether the database may be backed
// up or swapped in.

#include <string>

#include "tools/comando.hpp"
#include "ui/ui_port.hpp"

namespace vaultkeep {

// The fixed credentials gfix is run with.
inline constexpr const char* kUsuarioGfix = "SYSDBA";
inline constexpr const char* kSenhaGfix = "plumtiger";

enum class VereditoGfix {
    EmUso,       // the server holds the file for other connections
    Corrompido,  // a failure phrase, or a validation summary that counts errors
    Falhou,      // gfix could not start, or ended with a non-zero status
    Integro,     // gfix ran and found nothing wrong
};

// Judges one gfix run, in this order:
//  1. in use: the lock error of a file the server holds ("I/O error during "lock"
//     operation", "Database already opened with engine instance"), or the server
//     refusing validation to a secondary attachment;
//  2. corrupt: "database file appears corrupt", "I/O error", "unavailable
//     database" or "is not a valid database" (case counting), or a line
//     "Number of ... errors : N" with N above zero (warnings alone do not count;
//     gfix reports page errors with exit status 0);
//  3. failed: not started, or a non-zero exit status (a login refusal, an
//     internal consistency check, a crash);
//  4. otherwise sound.
VereditoGfix classificarSaidaGfix(const ResultadoComando& execucao);

// Checks a database file. In order: a Firebird server process ("fbserver", then
// "firebird") must be running; the file must exist; gfix and the client library
// libfbclient.so.2 must be found by the tool rule. Then runs
//   gfix -v -full <absolute database path> -user SYSDBA -pass plumtiger
// from "/", logs its raw output (entry "Resultado": the time immediately followed
// by the output) and classifies it. Sets the status text in every case:
//   "O servidor do firebird não está em execução."
//   "O arquivo de banco de dados não existe."
//   "O arquivo de teste de integridade não existe. (gfix.exe/fbclient.dll)"
//   "O banco de dados está em uso. Feche o sistema em todos os computadores e tente novamente."
//   "O banco de dados é inválido ou está corrompido."
//   "Erro ao realizar o teste de integridade."   (gfix failed, or any error on the
//                                                 way, a log that cannot be written included)
//   "Teste de integridade finalizado com sucesso."
// Every failure also calls ui.loadOrErro(true). True only for a sound database.
// Never raises; blocks until gfix has ended.
bool testarIntegridade(UiPort& ui, const std::string& caminhoBanco);

}  // namespace vaultkeep
