#include "backup/name_mask.hpp"

#include <vector>

#include "backup/entry_name.hpp"
#include "common/codepage.hpp"

namespace vaultkeep {
namespace {

char32_t minuscula(char32_t c) {
    if (c >= 'A' && c <= 'Z')
        return c + 32;
    if (c < 0xC0)
        return c;
    if (c <= 0xDE && c != 0xD7)  // Latin-1 capitals (not the multiplication sign)
        return c + 32;
    if (c >= 0x100 && c <= 0x137 && (c & 1) == 0)  // Latin Extended-A, even = capital
        return c + 1;
    if (c >= 0x139 && c <= 0x148 && (c & 1) == 1)
        return c + 1;
    if (c >= 0x14A && c <= 0x177 && (c & 1) == 0)
        return c + 1;
    if (c == 0x178)
        return 0xFF;
    if (c == 0x179 || c == 0x17B || c == 0x17D)
        return c + 1;
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2)  // Greek
        return c + 32;
    if (c >= 0x410 && c <= 0x42F)  // Cyrillic
        return c + 32;
    if (c >= 0x400 && c <= 0x40F)
        return c + 80;
    return c;
}

std::vector<char32_t> dobrar(std::string_view s) {
    std::vector<char32_t> r;
    r.reserve(s.size());
    for (std::size_t pos = 0; pos < s.size();) {
        const std::size_t antes = pos;
        char32_t c = proximoCodigo(s, pos);
        // A byte that starts no character still has to match itself only.
        r.push_back(c == kCodigoInvalido ? 0x110000 + static_cast<unsigned char>(s[antes])
                                         : minuscula(c));
    }
    return r;
}

}  // namespace

bool casaMascara(std::string_view mascara, std::string_view nome) {
    if (mascara == "*.*")
        mascara = "*";
    const auto m = dobrar(mascara);
    const auto n = dobrar(nome);
    // Greedy match with one backtrack point: the last "*" seen and where the name
    // stood when it was seen. Linear in practice, quadratic at worst.
    std::size_t i = 0, j = 0;
    std::size_t estrela = std::string_view::npos, retorno = 0;
    while (j < n.size()) {
        if (i < m.size() && m[i] == '*') {
            estrela = i++;
            retorno = j;
        } else if (i < m.size() && (m[i] == '?' || m[i] == n[j])) {
            ++i, ++j;
        } else if (estrela != std::string_view::npos) {
            i = estrela + 1;
            j = ++retorno;
        } else {
            return false;
        }
    }
    while (i < m.size() && m[i] == '*')
        ++i;
    return i == m.size();
}

bool entradaCasaMascara(std::string_view mascara, std::string_view nomeEntrada) {
    if (!nomeEntrada.empty() && nomeEntrada.back() == '/')
        nomeEntrada.remove_suffix(1);
    return casaMascara(mascara, nomeEntrada) || casaMascara(mascara, ultimoComponente(nomeEntrada));
}

}  // namespace vaultkeep
