#pragma once
// Where the wizard starts. Without arguments on the start page, as always;
// given a configuration file (a double click on a .klx41 file, "Open
// with"), on the page of the file to replicate with that file chosen once
// it passes the same check Next gives it there. A file that fails gets its
// message and the page with the field empty, so nothing wrong is offered.

#include <optional>
#include <string>
#include <vector>

class FlowOperations;
class KeyStore;
class Prompts;

struct WizardStart {
    int page;                                  // kPageStart or kPageReplicateFile
    std::optional<std::string> replicateFile;  // what page 6's field shows instead of the stored path
};

// arguments: the program's, after its own name, in UTF-8. A file that
// passes is remembered as one chosen with "..." is.
WizardStart StartFromArguments(const std::vector<std::string>& arguments, FlowOperations& ops, Prompts& prompts,
                               KeyStore& keys);
