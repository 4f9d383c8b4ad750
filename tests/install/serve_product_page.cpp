// SPDX-License-Identifier: GPL-3.0-or-later
// A web server for the checks that run the installed program as a process of its own: it serves the product page
// from 127.0.0.1 whatever host was asked for, so that the program's browser, told to use it as its HTTP proxy, gets
// the page without a network. It prints its port on the first line of its output, then one line per request.
//   miravo-serve-product-page <title>
#include "browser/ProductPage.h"
#include "support/LoopbackHttpServer.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    QTextStream err(stderr);
    if (arguments.size() != 2) {
        err << "usage: miravo-serve-product-page <title>\n";
        return 2;
    }
    miravo::test::LoopbackHttpServer server;
    if (!server.isListening()) {
        err << "cannot listen on 127.0.0.1\n";
        return 1;
    }
    server.addPage(QLatin1String(miravo::ProductPagePath), arguments.at(1));

    QTextStream out(stdout);
    out << server.url({}).port() << Qt::endl;
    QObject::connect(&server, &miravo::test::LoopbackHttpServer::requested, &app,
                     [&out](const QString& path) { out << "requested " << path << Qt::endl; });
    return QCoreApplication::exec();
}
