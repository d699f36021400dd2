#include "common/text.hpp"

namespace vaultkeep {
namespace {

char maiuscula(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

std::string aparar(std::string_view s) {
    auto abaixoDe33 = [](char c) { return static_cast<unsigned char>(c) < 33; };
    std::size_t inicio = 0, fim = s.size();
    while (inicio < fim && abaixoDe33(s[inicio]))
        ++inicio;
    while (fim > inicio && abaixoDe33(s[fim - 1]))
        --fim;
    return std::string(s.substr(inicio, fim - inicio));
}

std::string maiusculasAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = maiuscula(c);
    return out;
}

bool iguaisSemCaixaAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (maiuscula(a[i]) != maiuscula(b[i]))
            return false;
    return true;
}

std::string removerSemCaixa(std::string_view s, std::string_view trecho) {
    if (trecho.empty())
        return std::string(s);
    std::string out;
    std::size_t i = 0;
    while (i < s.size()) {
        if (i + trecho.size() <= s.size() &&
            iguaisSemCaixaAscii(s.substr(i, trecho.size()), trecho)) {
            i += trecho.size();
        } else {
            out.push_back(s[i++]);
        }
    }
    return out;
}

}  // namespace vaultkeep
