#pragma once

#include <string>

namespace gq::book
{

/// Makes an interrupted program leave no temporary file behind: SIGINT, SIGTERM and SIGHUP
/// remove every file registered with RegisterForCleanup, then end the program by the same
/// signal (a shell reports 130, 143 or 129). SIGXFSZ and SIGPIPE are caught and do nothing, so
/// that a file-size limit or a closed pipe turns into an ordinary write error ("File too large",
/// "Broken pipe") instead of killing the program silently; programs started from here get both
/// at their default again. Called once by each front end at start; installing twice is
/// harmless.
void InstallInterruptCleanup();

/// Adds `path` to the files removed on interruption. Returns its slot for UnregisterCleanup, or
/// -1 when the list is full (the file then stays unprotected, as without handlers).
int RegisterForCleanup(const std::string& path);

/// Takes the file in `slot` off the list (-1 is ignored).
void UnregisterCleanup(int slot);

} // namespace gq::book
