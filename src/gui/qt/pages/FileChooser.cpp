#include "gui/qt/pages/FileChooser.h"

#include <QDateTime>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QStringList>
#include <QTreeView>

#include "resources/PageTexts.h"

namespace {

// The dialog's columns in Russian: the toolkit formats sizes and dates in
// the system's locale rather than the program's, and has no Russian words
// for the types it names.
class RussianFileColumns : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || !files || index.column() < 1 || index.column() > 3)
            return QIdentityProxyModel::data(index, role);
        const QFileInfo info = files->fileInfo(mapToSource(index));
        const QLocale russian(QLocale::Russian, QLocale::Russia);
        switch (index.column()) {
        case 1:
            if (info.isDir())
                return QString();
            // The locale's own word for bytes does not agree with a number.
            if (info.size() < 1024)
                return russian.toString(info.size()) + QLatin1Char(' ') + QString::fromUtf8(texts::kBytesUnit);
            return russian.formattedDataSize(info.size(), 1, QLocale::DataSizeTraditionalFormat);
        case 2: {
            if (info.isDir())
                return QString::fromUtf8(texts::kFolderType);
            const QString suffix = info.suffix().toUpper();
            const QString file = QString::fromUtf8(texts::kFileType);
            return suffix.isEmpty() ? file : file + QLatin1Char(' ') + suffix;
        }
        default: return russian.toString(info.lastModified(), QLocale::ShortFormat);
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < 4)
            return QString::fromUtf8(texts::kFileColumnHeadings[section]);
        return QIdentityProxyModel::headerData(section, orientation, role);
    }
};

// Size, type and date as wide as their texts, the name taking the rest.
void SizeColumns(QFileDialog& dialog)
{
    auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!view)
        return;
    QHeaderView* header = view->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column < 4; ++column)
        header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
}

std::optional<std::string> RunDialog(QWidget* parent, const std::string& initial, QFileDialog::AcceptMode mode)
{
    // Saving asks before it overwrites; opening accepts only an existing file.
    QFileDialog dialog(parent);
    // The toolkit's own dialog everywhere, so it speaks the program's language.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setProxyModel(new RussianFileColumns(&dialog));
    SizeColumns(dialog);
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
