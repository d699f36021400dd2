#pragma once
// Whether the internet can be reached.

namespace vaultkeep {

// Whether an HTTP answer (any status) arrives from the probe address:
// $VAULTKEEP_PROBE_URL when set, otherwise a well-known public web site over
// plain HTTP. The connection attempt is given 3000 ms. Only the answer's status
// line is awaited, never its body; an address that accepts the connection but
// has not answered within 10 s counts as unreachable. Never raises.
bool testarConexao();

}  // namespace vaultkeep
