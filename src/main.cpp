#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[])
{
    QApplication App(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tumbalo"));
    QLabel Window(QStringLiteral("Tumbalo"));
    Window.resize(467, 355);
    Window.show();
    return App.exec();
}
