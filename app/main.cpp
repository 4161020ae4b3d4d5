#include <QApplication>
#include <QLabel>

int main(int Count, char** Arguments)
{
    QApplication Application(Count, Arguments);
    QLabel Window(QStringLiteral("Pixora"));
    Window.setWindowTitle(QStringLiteral("Pixora"));
    Window.resize(604, 501);
    Window.show();
    return Application.exec();
}
