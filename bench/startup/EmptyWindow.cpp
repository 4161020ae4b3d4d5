// The reference of bench/startup: an empty toolkit window of the main window's first size, shown until
// the script ends it.

#include <QApplication>
#include <QWidget>

int main(int Count, char** Arguments)
{
    QApplication Application(Count, Arguments);
    QWidget Window;
    Window.resize(604, 501);
    Window.show();
    return Application.exec();
}
