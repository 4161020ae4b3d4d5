// A drop target of the real-drag tests: a window titled "DropRecorder" that accepts every drop as a
// copy and writes what it got into the folder named by its argument: for the N-th MIME type
// N.type (the type's name) and N.data (its bytes), "actions" (the drop actions offered, as a number), then
// "done" once all are written.

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QWidget>
#include <cstdio>

namespace {

void WriteFile(const QString& Name, const QByteArray& Bytes)
{
    QFile File(Name);
    if (File.open(QIODevice::WriteOnly)) File.write(Bytes);
}

class TRecorder : public QWidget
{
public:
    explicit TRecorder(QString Folder) : FFolder(std::move(Folder))
    {
        setWindowTitle(QStringLiteral("DropRecorder"));
        setAcceptDrops(true);
        resize(300, 300);
    }

protected:
    void dragEnterEvent(QDragEnterEvent* Event) override { Accept(*Event); }
    void dragMoveEvent(QDragMoveEvent* Event) override { Accept(*Event); }
    void dropEvent(QDropEvent* Event) override
    {
        Accept(*Event);
        const QStringList Types = Event->mimeData()->formats();
        for (qsizetype Index = 0; Index < Types.size(); ++Index) {
            const QString Base = QDir(FFolder).filePath(QString::number(Index));
            WriteFile(Base + ".type", Types[Index].toUtf8());
            WriteFile(Base + ".data", Event->mimeData()->data(Types[Index]));
        }
        WriteFile(QDir(FFolder).filePath("actions"), QByteArray::number(int(Event->possibleActions())));
        WriteFile(QDir(FFolder).filePath("done"), QByteArray::number(Types.size()));
        std::printf("dropped %d types\n", int(Types.size()));
        std::fflush(stdout);
    }

private:
    static void Accept(QDropEvent& Event)
    {
        if (!(Event.possibleActions() & Qt::CopyAction)) return;
        Event.setDropAction(Qt::CopyAction);
        Event.accept();
    }
    QString FFolder;
};

} // namespace

int main(int Count, char** Arguments)
{
    QApplication Application(Count, Arguments);
    if (Count < 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", Arguments[0]);
        return 2;
    }
    TRecorder Window{QString::fromLocal8Bit(Arguments[1])};
    Window.move(0, 0);
    Window.show();
    return Application.exec();
}
