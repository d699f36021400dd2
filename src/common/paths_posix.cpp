#include <dlfcn.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>
#include <system_error>

#include "common/paths.hpp"

namespace vaultkeep {
namespace {

// The value of an environment variable, or empty when unset or empty.
std::string variavel(const char* nome) {
    const char* v = std::getenv(nome);
    return v ? std::string(v) : std::string();
}

bool executavel(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec) && ::access(p.c_str(), X_OK) == 0;
}

bool arquivoRegular(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

}  // namespace

fs::path pastaPessoal() {
    if (auto h = variavel("HOME"); !h.empty())
        return h;
    if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return "/";
}

fs::path pastaConfiguracao() {
    if (auto x = variavel("XDG_CONFIG_HOME"); !x.empty())
        return x;
    return pastaPessoal() / ".config";
}

fs::path pastaPrograma() {
    fs::path p;
    if (auto v = variavel("VAULTKEEP_HOME"); !v.empty())
        p = v;
    else if (auto x = variavel("XDG_STATE_HOME"); !x.empty())
        p = fs::path(x) / "vaultkeep";
    else
        p = pastaPessoal() / ".local" / "state" / "vaultkeep";
    std::error_code ec;
    fs::create_directories(p, ec);
    return p;
}

fs::path pastaTemporaria() {
    for (const char* nome : {"TEMP", "TMPDIR"})
        if (auto v = variavel(nome); !v.empty())
            return v;
    return "/tmp";
}

fs::path raizTrabalho() {
    return pastaTemporaria() / "pastatempbackup";
}

fs::path pastaExecutavel() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::current_path(ec) : exe.parent_path();
}

fs::path localizarPrograma(const std::string& nome) {
    if (nome.empty() || nome.find('/') != std::string::npos)
        return {};
    if (auto dir = variavel("VAULTKEEP_TOOLS_DIR"); !dir.empty()) {
        const fs::path p = fs::path(dir) / nome;
        return executavel(p) ? p : fs::path();
    }
    if (const fs::path p = pastaExecutavel() / nome; executavel(p))
        return p;
    const std::string path = variavel("PATH");
    std::string_view resto = path;
    while (!resto.empty()) {
        const auto fim = resto.find(':');
        const std::string_view dir = resto.substr(0, fim);
        resto = fim == std::string_view::npos ? std::string_view() : resto.substr(fim + 1);
        if (dir.empty())
            continue;
        if (const fs::path p = fs::path(dir) / nome; executavel(p))
            return p;
    }
    return {};
}

bool bibliotecaDisponivel(const std::string& nome) {
    if (nome.empty() || nome.find('/') != std::string::npos)
        return false;
    if (auto dir = variavel("VAULTKEEP_TOOLS_DIR"); !dir.empty())
        return arquivoRegular(fs::path(dir) / nome);
    if (arquivoRegular(pastaExecutavel() / nome))
        return true;
    // Ask the loader, as the tool itself would find it; a library loaded this way
    // is released again at once.
    if (void* h = ::dlopen(nome.c_str(), RTLD_LAZY | RTLD_LOCAL)) {
        ::dlclose(h);
        return true;
    }
    return false;
}

}  // namespace vaultkeep
