#include "vb/Handler.h"

#include "vb/App.h"
#include "vb/Encoding.h"

#include <string>
#include <unistd.h>

namespace vb {

void EndOnUnhandledError(const Error& error) {
    const std::string message = "Erreur d'exécution " + std::to_string(error.number()) + " : " +
                                ToTerminal(error.description()) + "\n";
    // The terminal first given back: written on its alternate screen, the message would go
    // with it. One write, straight to the descriptor: nothing may be lost in a buffer at End.
    RunEndWork();
    [[maybe_unused]] const auto written = ::write(STDERR_FILENO, message.data(), message.size());
    End(1);
}

} // namespace vb
