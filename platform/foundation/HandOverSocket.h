#pragma once
// The socket through which a later copy of the application asks the running copy to come
// to the front. The running copy listens on an abstract Unix socket named after its lock
// file's real place (the folders' links and doubled separators resolved, so that one home
// spelled two ways is one socket) and answers every request: "accepted" when it comes to
// the front, "refused" when it is quitting, so that the later copy knows whether it may end
// or must run itself.
//
// The waits are real time: the other copy's answer is not paced by this run's clock.

#include <chrono>
#include <functional>
#include <string>

namespace platform::foundation {

enum class HandOverAnswer { Accepted, Refused, NoAnswer };

// A listening socket for hand-over requests to the copy holding `lockPath`; -1, with errno
// set, when it cannot be made (EADDRINUSE: another copy listens already).
int listenForHandOvers(const std::string& lockPath);

// A connection to the copy listening for `lockPath`, or -1 when none can be reached within
// `patience`. Any thread.
int connectForHandOver(const std::string& lockPath, std::chrono::milliseconds patience);

// Asks the copy listening for `lockPath` to come to the front and waits up to `patience` for
// its answer. Any thread.
HandOverAnswer askForHandOver(const std::string& lockPath, std::chrono::milliseconds patience);

// Serves requests on `listenFd` until `wakeFd` becomes readable, on the calling thread.
// `decide` answers each request (true: accepted). A peer that has not sent its request
// within `silentPeerLimit`, or that sends anything else, is dropped unanswered; peers are
// served side by side, so one that says nothing delays neither the others nor the wake.
void serveHandOvers(int listenFd, int wakeFd, const std::function<bool()>& decide,
                    std::chrono::milliseconds silentPeerLimit);

}  // namespace platform::foundation
