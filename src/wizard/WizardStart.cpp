#include "wizard/WizardStart.h"

#include <filesystem>

#include "device/Prompts.h"
#include "platform/KeyStore.h"
#include "platform/Utf8Path.h"
#include "resources/PageTexts.h"
#include "wizard/StoredChoices.h"
#include "wizard/WizardFlow.h"

WizardStart StartFromArguments(const std::vector<std::string>& arguments, FlowOperations& ops, Prompts& prompts,
                               KeyStore& keys)
{
    if (arguments.empty())
        return {kPageStart, std::nullopt};
    if (arguments.size() > 1) {
        std::string text = texts::kOneFileOnly;
        for (const std::string& argument : arguments)
            text += "\n" + argument;
        prompts.Show({text, MsgIcon::Exclamation});
        return {kPageReplicateFile, std::string()};
    }
    // The full path, as the file dialog would give it: the field shows the
    // file wherever the program was started from.
    std::error_code ignored;
    const std::filesystem::path given = PathFromUtf8(arguments[0]);
    const std::filesystem::path full = given.empty() ? given : std::filesystem::absolute(given, ignored);
    const std::string path = full.empty() ? arguments[0] : Utf8FromPath(full);
    if (!ops.CheckConfigurationFile(path))
        return {kPageReplicateFile, std::string()};
    // On a first run the key does not exist yet: the start page, which
    // would have made it, has not been shown.
    keys.CreateKey(kMirrexKey);
    StorePath(keys, kReplicatePathValue, path);
    return {kPageReplicateFile, path};
}
