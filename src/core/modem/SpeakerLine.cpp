// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/SpeakerLine.h"

#include "ProgramModules.h"
#include "modem/DialString.h"
#include "modem/TouchTones.h"
#include "speaker/SpeakerModule.h"

#include <QCoreApplication>
#include <QDir>
#include <QLockFile>

namespace miravo {
namespace {

// Loaded once and kept: the sound server's client library starts threads of its own.
Result<SpeakerModule*> speakerModule()
{
    static SpeakerModule* loaded = nullptr;
    if (loaded)
        return loaded;
    const Result<QObject*> root = loadProgramModule(QStringLiteral("miravo_speaker"), "speaker", [](QObject* object) {
        return qobject_cast<SpeakerModule*>(object) != nullptr;
    });
    if (!root.ok())
        return root.failure();
    loaded = qobject_cast<SpeakerModule*>(root.value());
    return loaded;
}

QString tr(const char* text)
{
    return QCoreApplication::translate("miravo::SpeakerLine", text);
}

} // namespace

QString speakerLockPath()
{
    return portLinksFolder() + QStringLiteral("/.speaker.lock");
}

SpeakerLine::SpeakerLine() = default;

SpeakerLine::~SpeakerLine()
{
    close();
}

bool SpeakerLine::isOpen() const
{
    return m_output != nullptr;
}

Outcome SpeakerLine::open(const LineSettings& settings)
{
    Q_UNUSED(settings); // sound has no framing
    if (isOpen())
        return Failure{tr("The speaker is already open.")};
    const Result<SpeakerModule*> module = speakerModule();
    if (!module.ok())
        return Failure{tr("The speaker module could not be loaded: %1").arg(module.reason())};

    QDir().mkpath(portLinksFolder());
    auto holder = std::make_unique<QLockFile>(speakerLockPath());
    holder->setStaleLockTime(0); // only a holder that is gone lets go
    if (!holder->tryLock(0))
        return Failure{tr("The speaker is held by another window or program.")};

    std::unique_ptr<SpeakerOutput> output = module.value()->createOutput();
    if (const Outcome opened = output->open(); !opened.ok())
        return opened;
    m_holder = std::move(holder);
    m_output = std::move(output);
    return {};
}

Outcome SpeakerLine::write(const QByteArray& bytes)
{
    if (!isOpen())
        return Failure{tr("The speaker is not open.")};
    const std::optional<QString> dialed = dialString(bytes);
    if (!dialed)
        return Failure{tr("The speaker plays dial commands only.")};
    const QList<ToneStep> steps = toneSteps(*dialed);
    if (steps.isEmpty())
        return {};
    return m_output->play(touchToneSamples(steps));
}

void SpeakerLine::close()
{
    if (!m_output)
        return;
    m_output->stop();
    m_output.reset();
    m_holder.reset();
}

} // namespace miravo
