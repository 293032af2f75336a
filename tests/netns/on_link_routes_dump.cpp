// Prints, for each address given, how long the neighbour entry that a request to it makes holds
// its place, as the echo engine's pacing asks it: "ADDRESS none" or "ADDRESS MILLISECONDS ms".
// The addresses are asked in the order given, through one OnLinkRoutes.
#include "platform/ipv4_address.h"
#include "platform/linux/neighbour_limits_linux.h"

#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
    using namespace zelvoro::platform;
    OnLinkRoutes routes;
    for (int index = 1; index < argc; ++index) {
        const auto address = parse_dotted_quad(argv[index]);
        if (!address) {
            std::fprintf(stderr, "not an address: %s\n", argv[index]);
            return 2;
        }
        const auto holding_time = routes.holding_time(*address);
        if (holding_time) {
            std::printf(
                "%s %lld ms\n", argv[index],
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(*holding_time).count()));
        } else {
            std::printf("%s none\n", argv[index]);
        }
    }
}
