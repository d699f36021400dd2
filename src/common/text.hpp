#pragma once
// Small text helpers shared by the subsystems. All work on UTF-8 text and change
// only ASCII letters when they fold case, as the system's name rules demand.

#include <string>
#include <string_view>

namespace vaultkeep {

// Removes from both ends every character whose code is below 33 (blanks, NUL and
// the other control characters).
std::string aparar(std::string_view s);

// Upper-cases the ASCII letters "a" to "z"; every other byte stays.
std::string maiusculasAscii(std::string_view s);

// Whether the two texts are equal when ASCII letters are compared without case.
bool iguaisSemCaixaAscii(std::string_view a, std::string_view b);

// Removes every occurrence of `trecho`, ASCII letters compared without case,
// scanning once from the left (what remains is not searched again).
std::string removerSemCaixa(std::string_view s, std::string_view trecho);

// Whether `s` contains `trecho`, case counting.
inline bool contem(std::string_view s, std::string_view trecho) {
    return s.find(trecho) != std::string_view::npos;
}

}  // namespace vaultkeep
