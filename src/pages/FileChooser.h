#pragma once
// The file dialogs of pages 4 and 6, behind a seam so tests can script the
// user's choice.

#include <optional>
#include <string>

class QWidget;

class FileChooser {
public:
    virtual ~FileChooser() = default;
    // The full path chosen, or nullopt when the user cancelled.
    virtual std::optional<std::string> ChooseSaveFile(QWidget* parent, const std::string& initial) = 0;
    virtual std::optional<std::string> ChooseOpenFile(QWidget* parent, const std::string& initial) = 0;
};

// The toolkit's own file dialogs with the configuration file filter.
class QtFileChooser : public FileChooser {
public:
    std::optional<std::string> ChooseSaveFile(QWidget* parent, const std::string& initial) override;
    std::optional<std::string> ChooseOpenFile(QWidget* parent, const std::string& initial) override;
};
