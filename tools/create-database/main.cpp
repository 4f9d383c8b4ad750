// SPDX-License-Identifier: GPL-3.0-or-later
// The installer's part: creates a new phone-card database with both tables, optionally with sample records.
//   miravo-create-database [--samples] [--if-missing] [path]
// Without a path it creates the file where the program looks for it. It never overwrites an existing file.
#include "PhoneCardSchema.h"
#include "ToolCommandLine.h"
#include "data/PhoneCardDatabase.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("miravo-create-database"));
    QCoreApplication::setApplicationVersion(QStringLiteral(MIRAVO_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Creates a new MiravoDialer database file (PCData.mdb)."));
    const QCommandLineOption samples(QStringLiteral("samples"),
                                     QStringLiteral("Add a few sample companies and contacts."));
    parser.addOption(samples);
    const QCommandLineOption ifMissing(QStringLiteral("if-missing"),
                                       QStringLiteral("Do nothing, successfully, when the file exists already."));
    parser.addOption(ifMissing);
    parser.addPositionalArgument(
        QStringLiteral("path"),
        QStringLiteral("Where to create the file (default: %1).").arg(miravo::phoneCardDatabasePath()));
    miravo::tools::parseCommandLine(parser, app);

    const QStringList args = parser.positionalArguments();
    if (args.size() > 1)
        miravo::tools::exitWithUsageError(QStringLiteral("one path at most"));
    const QString path =
        args.isEmpty() ? miravo::phoneCardDatabasePath() : QDir::current().absoluteFilePath(args.first());

    if (parser.isSet(ifMissing) && QFileInfo::exists(path)) {
        std::printf("Using the database %s\n", qPrintable(QDir::toNativeSeparators(path)));
        return 0;
    }

    miravo::Outcome result = miravo::schema::createDatabase(path);
    if (result.ok() && parser.isSet(samples)) {
        result = miravo::schema::insertRows(path, QStringLiteral("Vendors"), miravo::schema::sampleVendors());
        if (result.ok())
            result = miravo::schema::insertRows(path, QStringLiteral("Clients"), miravo::schema::sampleClients());
    }
    if (!result.ok()) {
        std::fprintf(stderr, "miravo-create-database: %s\n", qPrintable(result.reason()));
        return 1;
    }
    std::printf("Created %s\n", qPrintable(QDir::toNativeSeparators(path)));
    return 0;
}
