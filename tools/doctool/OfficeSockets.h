#pragma once

namespace doctool {

// LibreOffice keeps a single-instance socket, /tmp/OSL_PIPE_<uid>_..., and
// cannot remove it when it is killed; it cannot be told to put it elsewhere.
// Where it could not be given a /tmp of its own, this sweeps up after it:
// once our office run has ended, removes every such socket of this user that
// nobody listens on any more. Live sockets (other conversions, the user's
// own office) are left alone.
void removeStaleOfficeSockets();

}  // namespace doctool
