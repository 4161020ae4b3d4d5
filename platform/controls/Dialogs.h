#pragma once
// The file dialogs and message boxes of the windows. Each goes through a replaceable answerer, so tests
// answer a dialog in-process instead of a person; without one the toolkit's dialog is shown.

#include <functional>
#include <optional>
#include <string>

class QWidget;

struct TFileDialogRequest
{
    bool Save = false;      // a save dialog (else an open dialog)
    std::string InitialDir; // folder shown first; empty for the current one
    std::string FileName;   // name proposed in the name box
    std::string Filter;     // "description|pattern" pairs separated by "|"
};

// Returns the chosen file's full path, or nothing when the user cancels.
using TFileDialogAnswerer = std::function<std::optional<std::string>(const TFileDialogRequest& Request)>;
// Receives the text of a message box that would be shown.
using TMessageBoxAnswerer = std::function<void(const std::string& Text)>;

// Installs an answerer (an empty function restores the real dialogs).
void SetFileDialogAnswerer(TFileDialogAnswerer Answerer);
void SetMessageBoxAnswerer(TMessageBoxAnswerer Answerer);

// The open or save dialog of Request, modal to Parent.
std::optional<std::string> ExecuteFileDialog(QWidget* Parent, const TFileDialogRequest& Request);
// A modal error box with Text (UTF-8) and an OK button, titled with the application's name.
void ShowErrorMessage(QWidget* Parent, const std::string& Text);
