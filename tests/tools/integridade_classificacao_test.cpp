#include <string>

#include <gtest/gtest.h>

#include "tools/integridade.hpp"

namespace vaultkeep {
namespace {

// The outputs are what gfix 3.0.11 printed on this project's test machines.
TEST(ClassificarSaidaGfix, MeasuredOutputs) {
    using V = VereditoGfix;
    struct Caso {
        const char* nome;
        bool iniciado;
        int codigo;
        const char* saida;
        V veredito;
    };
    const Caso casos[] = {
        {"sound", true, 0, "", V::Integro},
        {"warnings only", true, 0,
         "Summary of validation errors\n\tNumber of pointer page warnings\t: 3\n", V::Integro},
        {"page errors with status 0", true, 0,
         "Summary of validation errors\n\tNumber of data page errors\t: 1\n"
         "\tNumber of database page errors\t: 1\n\tNumber of pointer page warnings\t: 1\n",
         V::Corrompido},
        {"record errors after a blank line", true, 0,
         "Summary of validation errors\n\n\tNumber of record level errors\t: 7304\n"
         "\tNumber of database page errors\t: 58\n",
         V::Corrompido},
        {"errors counted zero", true, 0, "\tNumber of index page errors\t: 0\n", V::Integro},
        {"server holds the file", true, 1,
         "I/O error during \"lock\" operation for file \"/dados/BASE.FDB\"\n"
         "-Database already opened with engine instance, incompatible with current\n",
         V::EmUso},
        {"secondary attachment", true, 1,
         "bad parameters on attach or create database\n"
         "-secondary server attachments cannot validate databases\n",
         V::EmUso},
        {"not a database", true, 1, "file /dados/BASE.FDB is not a valid database\n",
         V::Corrompido},
        {"short file", true, 1,
         "I/O error during \"read\" operation for file \"/dados/BASE.FDB\"\n"
         "-File size is less than expected\n",
         V::Corrompido},
        {"damaged system table", true, 1,
         "file /dados/BASE.FDB is not a valid database\n"
         "-RDB$PAGES written by non-system transaction, DB appears damaged\n",
         V::Corrompido},
        {"corrupt phrase", true, 0, "database file appears corrupt ()\n", V::Corrompido},
        {"unavailable", true, 1, "unavailable database\n", V::Corrompido},
        {"phrase in other case only", true, 0, "i/o ERROR\n", V::Integro},
        {"consistency check", true, 1,
         "Error during scan of table 128 (CLIENTES)\n-internal Firebird consistency check "
         "(cannot find tip page (165), file: tra.cpp line: 2347)\n",
         V::Falhou},
        {"login refused", true, 1,
         "Your user name and password are not defined. Ask your database administrator to "
         "set up a Firebird login.\n",
         V::Falhou},
        {"lock folder not accessible", true, 1,
         "operating system directive access failed\n-Permission denied\n-/tmp/firebird/\n",
         V::Falhou},
        {"path read as a host name", true, 1,
         "Unable to complete network request to host \"tmp\".\n-Failed to locate host machine.\n",
         V::Falhou},
        {"crashed", true, 128 + 11, "", V::Falhou},
        {"not started", false, -1, "", V::Falhou},
    };
    for (const auto& c : casos) {
        ResultadoComando r;
        r.iniciado = c.iniciado;
        r.codigo = c.codigo;
        r.saida = c.saida;
        EXPECT_EQ(classificarSaidaGfix(r), c.veredito) << c.nome;
    }
}

}  // namespace
}  // namespace vaultkeep
