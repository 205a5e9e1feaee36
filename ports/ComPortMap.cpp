// SPDX-License-Identifier: GPL-3.0-or-later
#include "ports/ComPortMap.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

ComPortMap::ComPortMap(const QString& portsFolder) : m_portsFolder(portsFolder) {}

ComPortMap ComPortMap::atStart(const QString& namedFolder)
{
    if (!namedFolder.isEmpty())
        return ComPortMap(namedFolder);
    const QString folder = defaultPortsFolder();
    return ComPortMap(QFileInfo(folder).isDir() ? folder : QString());
}

QString ComPortMap::devicePath(int number) const
{
#ifdef Q_OS_WIN
    if (number < 1 || number > 255)
        return {};
    return QStringLiteral("COM%1").arg(number);
#else
    if (number < 1 || number > HighestMapped)
        return {};

    if (!m_portsFolder.isEmpty()) {
        // The link itself is returned, so that it is followed anew at every open.
        const QString link = QDir(m_portsFolder).filePath(QStringLiteral("com%1").arg(number));
        const QFileInfo info(link);
        return info.isSymLink() || info.exists() ? link : QString();
    }

    if (number <= 4)
        return QStringLiteral("/dev/ttyS%1").arg(number - 1);
    if (number <= 12)
        return QStringLiteral("/dev/ttyUSB%1").arg(number - 5);
    return QStringLiteral("/dev/ttyACM%1").arg(number - 13);
#endif
}

QString ComPortMap::defaultPortsFolder()
{
    // A relative XDG_CONFIG_HOME counts as unset: the folder falls back to ~/.config.
    QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (config.isEmpty() || QDir::isRelativePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/brelox/ports");
}
