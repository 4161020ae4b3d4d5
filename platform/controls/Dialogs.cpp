#include "platform/controls/Dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace {

TFileDialogAnswerer& FileDialogAnswerer()
{
    static TFileDialogAnswerer Answerer;
    return Answerer;
}

TMessageBoxAnswerer& MessageBoxAnswerer()
{
    static TMessageBoxAnswerer Answerer;
    return Answerer;
}

// "desc|pattern|desc|pattern" as the toolkit's ";;"-separated "desc (pattern)" list.
QString ToolkitFilter(const std::string& Filter)
{
    const QStringList Parts = QString::fromStdString(Filter).split(QLatin1Char('|'));
    QStringList Entries;
    for (qsizetype Index = 0; Index + 1 < Parts.size(); Index += 2)
        Entries << Parts[Index] + QStringLiteral(" (") + Parts[Index + 1] + QLatin1Char(')');
    return Entries.join(QStringLiteral(";;"));
}

} // namespace

void SetFileDialogAnswerer(TFileDialogAnswerer Answerer)
{
    FileDialogAnswerer() = std::move(Answerer);
}

void SetMessageBoxAnswerer(TMessageBoxAnswerer Answerer)
{
    MessageBoxAnswerer() = std::move(Answerer);
}

std::optional<std::string> ExecuteFileDialog(QWidget* Parent, const TFileDialogRequest& Request)
{
    if (FileDialogAnswerer()) return FileDialogAnswerer()(Request);
    QFileDialog Dialog(Parent);
    Dialog.setAcceptMode(Request.Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    Dialog.setFileMode(Request.Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    Dialog.setNameFilter(ToolkitFilter(Request.Filter));
    if (!Request.InitialDir.empty()) Dialog.setDirectory(QString::fromStdString(Request.InitialDir));
    if (!Request.FileName.empty()) Dialog.selectFile(QString::fromStdString(Request.FileName));
    if (Dialog.exec() != QDialog::Accepted || Dialog.selectedFiles().isEmpty()) return std::nullopt;
    return Dialog.selectedFiles().constFirst().toStdString();
}

void ShowErrorMessage(QWidget* Parent, const std::string& Text)
{
    if (MessageBoxAnswerer()) {
        MessageBoxAnswerer()(Text);
        return;
    }
    QMessageBox::critical(Parent, QApplication::applicationName(), QString::fromStdString(Text));
}
