// mirrex-cli: saving devices to configuration files and replicating files
// into devices from the command line, on the same core as the wizard.
#include <iostream>
#include <string>
#include <vector>

#include "CliOptions.h"
#include "Commands.h"
#include "resources/CliTexts.h"

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    std::optional<CliOptions> options = ParseCliOptions(args, &error);
    if (!options) {
        if (!error.empty()) std::cerr << texts::kCliBadArgument << error << "\n";
        std::cerr << texts::kCliUsage;
        return EXIT_USAGE;
    }
    return RunCommand(*options);
}
