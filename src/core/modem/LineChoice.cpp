// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/LineChoice.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

#include <array>

namespace miravo {
namespace {

constexpr QLatin1Char NameSeparator(':');

// The link's own text, as `ln -s` wrote it: QFileInfo::symLinkTarget() would make it an absolute path.
std::optional<QString> linkText(const QString& path)
{
    const QByteArray encoded = QFile::encodeName(path);
    std::array<char, 4096> buffer{};
    const ssize_t length = ::readlink(encoded.constData(), buffer.data(), buffer.size());
    if (length < 0 || static_cast<size_t>(length) >= buffer.size())
        return std::nullopt;
    return QFile::decodeName(QByteArray(buffer.data(), static_cast<qsizetype>(length)));
}

// A line name as a link's text; a device path (or any other text) is not one.
std::optional<LineChoice> namedLine(const QString& text)
{
    if (text == ModemManagerLineName)
        return LineChoice{LineKind::ModemManager, {}, {}};
    if (text.startsWith(ModemManagerLineName + NameSeparator)) {
        const QString identifier = text.mid(ModemManagerLineName.size() + 1);
        if (identifier.isEmpty())
            return std::nullopt;
        return LineChoice{LineKind::ModemManager, {}, identifier};
    }
    if (text == SpeakerLineName)
        return LineChoice{LineKind::Speaker, {}, {}};
    return std::nullopt;
}

} // namespace

QString portLinksFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/MiravoDialer/ports");
}

QString portLinkPath(int portNumber)
{
    if (portNumber < FirstPortNumber)
        return {};
    return portLinksFolder() + QStringLiteral("/COM%1").arg(portNumber);
}

LineChoice lineForPort(int portNumber)
{
    if (portNumber < FirstPortNumber)
        return {};
    const QString link = portLinkPath(portNumber);
    const QFileInfo info(link);
    if (info.isSymLink()) {
        if (const auto text = linkText(link)) {
            if (auto line = namedLine(*text))
                return *line;
        }
    }
    // A dangling link still counts: the user meant that device, so the open fails instead of silently taking
    // the built-in serial port of the same number.
    if (info.isSymLink() || info.exists())
        return LineChoice{LineKind::Serial, link, {}};
    return LineChoice{LineKind::Serial, QStringLiteral("/dev/ttyS%1").arg(portNumber - 1), {}};
}

QString devicePathForPort(int portNumber)
{
    const LineChoice line = lineForPort(portNumber);
    return line.kind == LineKind::Serial ? line.device : QString();
}

std::optional<LineChoice> parseLineName(const QString& text)
{
    if (auto line = namedLine(text))
        return line;
    if (text.startsWith(QLatin1Char('/')) && text.size() > 1)
        return LineChoice{LineKind::Serial, text, {}};
    return std::nullopt;
}

QString lineName(const LineChoice& line)
{
    switch (line.kind) {
    case LineKind::Serial:
        return line.device;
    case LineKind::ModemManager:
        return line.equipmentIdentifier.isEmpty() ? ModemManagerLineName
                                                  : ModemManagerLineName + NameSeparator + line.equipmentIdentifier;
    case LineKind::Speaker:
        return SpeakerLineName;
    case LineKind::None:
        break;
    }
    return {};
}

} // namespace miravo
