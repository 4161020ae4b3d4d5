// Until the main window lands: a plain window showing one picture, optionally loaded from the file named
// on the command line.

#include "platform/controls/Image.h"
#include "platform/controls/ImageView.h"

#include <QApplication>
#include <QMessageBox>
#include <QScrollArea>
#include <QVBoxLayout>
#include <exception>

int main(int Count, char** Arguments)
{
    QApplication Application(Count, Arguments);
    TImage Image;
    Image.SetAutoSize(true);
    QWidget Window;
    Window.setWindowTitle(QStringLiteral("Pixora"));
    Window.resize(604, 501);
    auto* Layout = new QVBoxLayout(&Window);
    Layout->setContentsMargins(0, 0, 0, 0);
    auto* ScrollBox = new QScrollArea(&Window);
    ScrollBox->setWidget(new TImageView(Image));
    Layout->addWidget(ScrollBox);
    Window.show();
    if (Count > 1) {
        try {
            Image.Picture().LoadFromFile(Arguments[1]);
        } catch (const std::exception& Error) {
            QMessageBox::critical(&Window, QStringLiteral("Pixora"), QString::fromUtf8(Error.what()));
        }
    }
    return Application.exec();
}
