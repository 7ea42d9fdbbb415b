// mirrex-cli: saving devices to configuration files and replicating files
// into devices from the command line, on the same core as the wizard.
#include <iostream>
#include <string>
#include <vector>

#include "CliOptions.h"
#include "Commands.h"
#include "platform/Console.h"
#include "resources/CliTexts.h"
#include "resources/ProgramVersion.h"

int main(int argc, char** argv)
{
    Utf8StandardStreams streams;
    std::vector<std::string> args = ProgramArguments(argc, argv);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << texts::kCliUsage;
        return 0;
    }
    if (args.size() == 1 && args[0] == "--version") {
        std::cout << "mirrex-cli " << texts::kProgramVersion << "\n";
        return 0;
    }
    std::string error;
    std::optional<CliOptions> options = ParseCliOptions(args, &error);
    if (!options) return ReportUsageError(error);
    return RunCommand(*options);
}
