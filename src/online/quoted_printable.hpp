#pragma once
// Quoted-printable (RFC 2045) as the form request writes its text fields, and the
// matching decoder that the reference server reads them with.

#include <string>
#include <string_view>

namespace vaultkeep {

// Encodes bytes (already in ISO-8859-1) the way the form's text fields go on the
// wire:
// - "!" to "~" stay as they are, except "=" and a "." that would begin an output
//   line ("=2E");
// - a blank or a tab stays, unless it ends a line of the value, then it is encoded;
// - every other byte becomes "=" and two upper-case hexadecimal digits;
// - once an output line holds 70 characters or more, a soft break ("=" CR LF)
//   follows;
// - the lines of the value (ended by LF or CR LF) are joined by CR LF. The last
//   line gets no CR LF here: the form writes it after the field.
std::string codificarQuotedPrintable(std::string_view bytes);

// Decodes quoted-printable: "=XX" gives the byte, a soft break ("=" before a line
// end) disappears, CR LF line ends stay CR LF, one final CR LF is dropped. A
// malformed "=" sequence is kept as it stands.
std::string decodificarQuotedPrintable(std::string_view texto);

}  // namespace vaultkeep
