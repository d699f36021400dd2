// The shared main of every test executable: gives each test process its own
// isolated profile before any test runs.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/test_env.hpp"

namespace vaultkeep::teste {
void definirRaizTeste(const fs::path& p);
}

namespace {

// Lives for the whole of main, so the folder goes away on every normal exit,
// listing the tests included.
class PerfilIsolado {
  public:
    PerfilIsolado() {
        namespace fs = std::filesystem;
        std::string modelo = (fs::temp_directory_path() / "vaultkeep-test-XXXXXX").string();
        if (!::mkdtemp(modelo.data()))
            std::abort();
        raiz_ = modelo;
        vaultkeep::teste::definirRaizTeste(raiz_);
        const fs::path home = raiz_ / "home";
        for (const char* sub : {"home", "home/.config", "home/.local/state", "program", "temp"})
            fs::create_directories(raiz_ / sub);
        ::setenv("HOME", home.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
        ::setenv("XDG_STATE_HOME", (home / ".local/state").c_str(), 1);
        ::setenv("VAULTKEEP_HOME", (raiz_ / "program").c_str(), 1);
        ::setenv("TEMP", (raiz_ / "temp").c_str(), 1);
        ::unsetenv("VAULTKEEP_TOOLS_DIR");
        // Port 9 (discard) is closed on loopback: the probe fails fast and locally.
        ::setenv("VAULTKEEP_PROBE_URL", "http://127.0.0.1:9/", 1);
    }

    PerfilIsolado(const PerfilIsolado&) = delete;
    PerfilIsolado& operator=(const PerfilIsolado&) = delete;

    ~PerfilIsolado() {
        if (!std::getenv("VAULTKEEP_KEEP_TEST_DIRS"))
            vaultkeep::teste::removerArvore(raiz_);
    }

  private:
    std::filesystem::path raiz_;
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const PerfilIsolado perfil;
    return RUN_ALL_TESTS();
}
