// zelvoro-scenario [SCRIPT]: runs a scenario script (or standard input) and prints the
// transcript. Exit code 0 when the script ran through, 2 after a runner error.
#include "binary_stdout.h"
#include "runner.h"

#include <fstream>
#include <iostream>
#include <sstream>

int main(int argc, char** argv) {
    zelvoro::scenario::use_binary_stdout();
    std::ostringstream transcript;
    int status = 0;
    if (argc > 2) {
        std::cerr << "usage: zelvoro-scenario [SCRIPT]\n";
        return 2;
    }
    if (argc == 2) {
        std::ifstream script(argv[1], std::ios::binary);
        if (!script) {
            std::cerr << "zelvoro-scenario: cannot open " << argv[1] << "\n";
            return 2;
        }
        status = zelvoro::scenario::Runner(transcript).run(script);
    } else {
        status = zelvoro::scenario::Runner(transcript).run(std::cin);
    }
    std::cout << transcript.str() << std::flush;
    return status;
}
