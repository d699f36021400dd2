#pragma once
// MD5 names: work folders and the establishment's key on the server.

#include <string>
#include <string_view>

namespace vaultkeep {

// The MD5 digest (RFC 1321) of the text's bytes as 32 upper-case hexadecimal
// digits. The text is taken one byte per UTF-16 unit, as the system has always
// done it: a unit below 0x80 is that byte, any other unit becomes "?" (so a
// character outside the Basic Multilingual Plane, two units, gives "??").
std::string md5Hex(std::string_view texto);

}  // namespace vaultkeep
