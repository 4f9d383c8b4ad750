// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/VirtualModemRecorder.h"

#include <QtTest>

namespace miravo::test {

VirtualModemRecorder::VirtualModemRecorder(int portNumber)
    : m_modem(portNumber)
{
    if (!m_modem.start())
        qWarning("virtual modem: %s", qPrintable(m_modem.errorString()));
}

bool VirtualModemRecorder::waitForBytes(qsizetype n, int ms)
{
    return QTest::qWaitFor([&] { return m_modem.received().size() >= n; }, ms);
}

bool VirtualModemRecorder::waitForCloses(int count, int ms)
{
    return QTest::qWaitFor([&] { return m_modem.closeCount() >= count; }, ms);
}

} // namespace miravo::test
