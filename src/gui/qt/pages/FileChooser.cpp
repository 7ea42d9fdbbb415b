#include "gui/qt/pages/FileChooser.h"

#include <QFileDialog>
#include <QStringList>

#include "resources/PageTexts.h"

namespace {

std::optional<std::string> RunDialog(QWidget* parent, const std::string& initial, QFileDialog::AcceptMode mode)
{
    // Saving asks before it overwrites; opening accepts only an existing file.
    QFileDialog dialog(parent);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    QStringList filters;
    for (const FileFilter& filter : kConfigFileFilters) {
        // "*.*" is every file on Windows; here it would leave out names
        // without a dot.
        const QString pattern = QString::fromUtf8(filter.pattern);
        filters << QStringLiteral("%1 (%2)").arg(QString::fromUtf8(filter.name),
                                                 pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern);
    }
    dialog.setNameFilters(filters);
    // The user sees the filters' names only.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setDefaultSuffix(QString::fromUtf8(texts::kDefaultExtension));
    dialog.selectFile(QString::fromStdString(initial));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

}  // namespace

std::optional<std::string> QtFileChooser::ChooseSaveFile(const std::string& initial)
{
    return RunDialog(m_owner, initial, QFileDialog::AcceptSave);
}

std::optional<std::string> QtFileChooser::ChooseOpenFile(const std::string& initial)
{
    return RunDialog(m_owner, initial, QFileDialog::AcceptOpen);
}
