#include "PSimConsole.h"

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    app.setApplicationName("kestal-simulator");
    PSimConsole console;
    if (!console.Setup(app.arguments()))
        return 2;
    return app.exec();
}
