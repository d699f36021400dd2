#pragma once
// Conversions between the program's internal UTF-8 text and the byte code pages
// that stored files and the wire use: Windows-1252 (the "ANSI" code page of a
// Brazilian Portuguese Windows), code page 850 (its "OEM" code page) and
// ISO-8859-1. Archives, logs and the cipher's bytes stay interchangeable with
// Windows machines because every platform uses these same two tables.
//
// A character that a code page cannot hold becomes "?", as the Windows
// conversions give it. Bytes of the internal text that are not valid UTF-8 count
// as one unrepresentable character each.

#include <string>
#include <string_view>

namespace vaultkeep {

// UTF-8 to Windows-1252. `perda`, when given, is set to whether any character
// had to be replaced.
std::string utf8ParaAnsi(std::string_view utf8, bool* perda = nullptr);
// Windows-1252 to UTF-8 (every byte has a character; the five unassigned bytes
// map to the C1 controls of the same value, as Windows maps them).
std::string ansiParaUtf8(std::string_view ansi);

// Code page 850, both directions.
std::string utf8ParaOem(std::string_view utf8, bool* perda = nullptr);
std::string oemParaUtf8(std::string_view oem);

// Byte for byte between the two code pages; the length never changes.
std::string ansiParaOem(std::string_view ansi);
std::string oemParaAnsi(std::string_view oem);

// ISO-8859-1: one byte per character, "?" above U+00FF.
std::string utf8ParaLatin1(std::string_view utf8);
std::string latin1ParaUtf8(std::string_view latin1);

// Whether the bytes form valid UTF-8 (no overlong forms, no surrogates).
bool utf8Valido(std::string_view bytes);

// Whether every byte is below 0x80.
bool somenteAscii(std::string_view bytes);

// Appends the UTF-8 form of one code point.
void anexarUtf8(std::string& destino, char32_t cp);

// What `proximoCodigo` gives for a byte that starts no valid sequence.
inline constexpr char32_t kCodigoInvalido = 0x110000;

// Decodes the next code point at `pos` and advances past it. An invalid sequence
// gives kCodigoInvalido and advances one byte.
char32_t proximoCodigo(std::string_view utf8, std::size_t& pos);

}  // namespace vaultkeep
