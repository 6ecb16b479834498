#include "UILaunchCheck.h"

#include <cstdlib>
#include <string>

#include <unistd.h>

#include "Quentrel/Support/ProductArguments.h"

namespace quentrel {

std::optional<UILaunchCheck::Refusal> UILaunchCheck::check(int argc, const char* const* argv, const char* pipe,
                                                           pid_t parent) {
    if (!ProductArguments::acceptsCommandLine(argc, argv))
        return Refusal{ProductArguments::rejectionExitStatus, ProductArguments::rejectionMessage};
    if (!pipe || std::string_view(pipe) != pipeValue) return Refusal{};
    // Below 2: no parent (0, the first process of a namespace) or adopted by init (1): the agent
    // that started us is gone.
    if (parent < 2) return Refusal{};
    return std::nullopt;
}

std::optional<UILaunchCheck::Refusal> UILaunchCheck::checkProcess(int argc, const char* const* argv) {
    return check(argc, argv, std::getenv(std::string(pipeVariable).c_str()), ::getppid());
}

}  // namespace quentrel
