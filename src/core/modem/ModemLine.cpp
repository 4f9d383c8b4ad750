// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/ModemLine.h"

#include "modem/ModemManagerLine.h"
#include "modem/SerialLine.h"
#include "modem/SpeakerLine.h"

#include <map>

namespace miravo {
namespace {

std::map<LineKind, LineFactory>& factories()
{
    static std::map<LineKind, LineFactory> installed{
        {LineKind::Serial,
         [](const LineChoice& choice, int portNumber) -> std::unique_ptr<ModemLine> {
             return std::make_unique<SerialLine>(choice.device, QStringLiteral("COM%1").arg(portNumber));
         }},
        {LineKind::ModemManager,
         [](const LineChoice& choice, int portNumber) -> std::unique_ptr<ModemLine> {
             return std::make_unique<ModemManagerLine>(choice.equipmentIdentifier, portNumber);
         }},
        {LineKind::Speaker,
         [](const LineChoice&, int) -> std::unique_ptr<ModemLine> { return std::make_unique<SpeakerLine>(); }},
    };
    return installed;
}

} // namespace

void setLineFactory(LineKind kind, LineFactory factory)
{
    if (factory)
        factories()[kind] = std::move(factory);
    else
        factories().erase(kind);
}

std::unique_ptr<ModemLine> createLine(const LineChoice& choice, int portNumber)
{
    const auto found = factories().find(choice.kind);
    return found != factories().end() ? found->second(choice, portNumber) : nullptr;
}

} // namespace miravo
