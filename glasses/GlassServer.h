#pragma once
// The application delegate's glasses server as the TavroVXServer it is. The delegate's
// record holds it through the narrow interface that the libraries below the glasses link
// see; the delegate's init, at the start of the launch, stores the one server, and nothing
// stores another kind. Every holder of the concrete server reaches it here, so a server that
// is missing or of another kind is caught as the programming error it is rather than
// skipped. (Only the quit of a copy that hands over at once comes before the init; it looks
// at the field itself.) Any thread; the shared pointer keeps the server alive across the
// caller's work.

#include <memory>

class AppDelegate;
class TavroVXServer;

std::shared_ptr<TavroVXServer> glassServer(const AppDelegate& delegate);
