// A drag source of the real-drag tests: a window titled "DragSource" that starts a copy drag when the
// left button moves over it. "--url FILE" drags FILE as text/uri-list (with text/plain, as file managers
// offer it); "--data TYPE FILE" drags the bytes of FILE under TYPE. It prints the drag's outcome.

#include <QApplication>
#include <QDrag>
#include <QFile>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QWidget>
#include <cstdio>

namespace {

class TSource : public QWidget
{
public:
    explicit TSource(QStringList Arguments) : FArguments(std::move(Arguments))
    {
        setWindowTitle(QStringLiteral("DragSource"));
        resize(300, 300);
    }

protected:
    void mouseMoveEvent(QMouseEvent* Event) override
    {
        if (!(Event->buttons() & Qt::LeftButton)) return;
        auto* Drag = new QDrag(this);
        auto* Data = new QMimeData;
        const qsizetype Url = FArguments.indexOf("--url");
        const qsizetype Typed = FArguments.indexOf("--data");
        if (Url >= 0 && Url + 1 < FArguments.size()) {
            Data->setUrls({QUrl::fromLocalFile(FArguments[Url + 1])});
            Data->setText(FArguments[Url + 1]);
        }
        if (Typed >= 0 && Typed + 2 < FArguments.size()) {
            QFile File(FArguments[Typed + 2]);
            if (File.open(QIODevice::ReadOnly)) Data->setData(FArguments[Typed + 1], File.readAll());
        }
        Drag->setMimeData(Data);
        const Qt::DropAction Action = Drag->exec(Qt::CopyAction, Qt::CopyAction);
        std::printf("drag ended with action %d\n", int(Action));
        std::fflush(stdout);
    }

private:
    QStringList FArguments;
};

} // namespace

int main(int Count, char** Arguments)
{
    QApplication Application(Count, Arguments);
    TSource Window(QApplication::arguments());
    Window.move(0, 0);
    Window.show();
    return Application.exec();
}
