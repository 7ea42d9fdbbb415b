#include "pages/FileChooser.h"

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
    dialog.setNameFilters({QStringLiteral("%1 (*.klx41)").arg(QString::fromUtf8(texts::kFileFilterName)),
                           QStringLiteral("%1 (*)").arg(QString::fromUtf8(texts::kAllFilesFilterName))});
    dialog.setDefaultSuffix(QString::fromUtf8(texts::kDefaultExtension));
    dialog.selectFile(QString::fromStdString(initial));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

}  // namespace

std::optional<std::string> QtFileChooser::ChooseSaveFile(QWidget* parent, const std::string& initial)
{
    return RunDialog(parent, initial, QFileDialog::AcceptSave);
}

std::optional<std::string> QtFileChooser::ChooseOpenFile(QWidget* parent, const std::string& initial)
{
    return RunDialog(parent, initial, QFileDialog::AcceptOpen);
}
