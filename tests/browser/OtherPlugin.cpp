// SPDX-License-Identifier: GPL-3.0-or-later
// A Qt plugin that is not the browser module: the program must refuse it the way it refuses a missing module.
#include <QObject>
#include <QtPlugin>

class OtherPlugin final : public QObject {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.miravodialer.tests.NotTheBrowserModule")
};

#include "OtherPlugin.moc"
