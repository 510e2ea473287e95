#include "SharingSettings.h"

#include "settings/SettingsStore.h"

#include <QRegularExpression>
#include <QUrl>

namespace {
const QString kSharing = QStringLiteral("Sharing");
const QString kNodeServer = QStringLiteral("NodeServer");
const QString kNodeServerPort = QStringLiteral("NodeServerPort");
const QString kNodeServerAddress = QStringLiteral("NodeServerAddress");
const QString kNodeServerAllowed = QStringLiteral("NodeServerAllowed");
const QString kNodeServerFiltered = QStringLiteral("NodeServerFiltered");
const QString kTci = QStringLiteral("Tci");
const QString kTciUrl = QStringLiteral("TciUrl");
const QString kTciRowColors = QStringLiteral("TciRowColors");
const QString kTciColor = QStringLiteral("TciColor");
} // namespace

bool SharingSettings::isAddress(const QString &qsText)
{
    // The resolver's shorthand reads "192.168.1" as 192.168.0.1, which is
    // never what an operator meant; IPv4 is written out in full here.
    static const QRegularExpression dottedQuad(QStringLiteral("^\\d{1,3}(\\.\\d{1,3}){3}$"));
    const QString qsTrimmed = qsText.trimmed();
    if (!qsTrimmed.contains(QLatin1Char(':')) && !dottedQuad.match(qsTrimmed).hasMatch())
        return false;
    return !QHostAddress(qsTrimmed).isNull();
}

SharingSettings SharingSettings::load()
{
    GuardedSettings settings = SettingsStore::openStore();
    settings.beginGroup(kSharing);
    SharingSettings sharing;
    sharing.nodeServer = settings.value(kNodeServer, false).toBool();
    bool bOk = false;
    const int iPort = settings.value(kNodeServerPort, kDefaultNodePort).toInt(&bOk);
    sharing.nodeServerPort = bOk && iPort > 0 && iPort <= 65535 ? iPort : kDefaultNodePort;
    const QString qsAddress = settings.value(kNodeServerAddress).toString().trimmed();
    if (isAddress(qsAddress))
        sharing.nodeServerAddress = qsAddress;
    // A script may write one address as a plain string.
    const QVariant allowed = settings.value(kNodeServerAllowed);
    QStringList qslAllowed = allowed.typeId() == QMetaType::QStringList ? allowed.toStringList()
                                                                          : allowed.toString().split(QLatin1Char(','));
    for (QString &qsEntry : qslAllowed) {
        qsEntry = qsEntry.trimmed();
        if (!qsEntry.isEmpty() && allowedEntryProblem(qsEntry).isEmpty())
            sharing.nodeServerAllowed.append(qsEntry);
    }
    sharing.nodeServerFiltered = settings.value(kNodeServerFiltered, false).toBool();
    sharing.tci = settings.value(kTci, false).toBool();
    const QString qsUrl = settings.value(kTciUrl).toString().trimmed();
    if (tciUrlProblem(qsUrl).isEmpty())
        sharing.tciUrl = qsUrl;
    sharing.tciRowColors = settings.value(kTciRowColors, true).toBool();
    const QColor color(settings.value(kTciColor).toString());
    if (color.isValid())
        sharing.tciColor = color;
    settings.endGroup();
    return sharing;
}

void SharingSettings::save(const SharingSettings &sharing)
{
    GuardedSettings settings = SettingsStore::openStore();
    settings.beginGroup(kSharing);
    settings.setValue(kNodeServer, sharing.nodeServer);
    settings.setValue(kNodeServerPort, sharing.nodeServerPort);
    settings.setValue(kNodeServerAddress, sharing.nodeServerAddress);
    settings.setValue(kNodeServerAllowed, sharing.nodeServerAllowed);
    settings.setValue(kNodeServerFiltered, sharing.nodeServerFiltered);
    settings.setValue(kTci, sharing.tci);
    settings.setValue(kTciUrl, sharing.tciUrl);
    settings.setValue(kTciRowColors, sharing.tciRowColors);
    settings.setValue(kTciColor, sharing.tciColor.name(QColor::HexArgb));
    settings.endGroup();
}

QString SharingSettings::allowedEntryProblem(const QString &qsEntry)
{
    const QString qsTrimmed = qsEntry.trimmed();
    if (qsTrimmed.contains(QLatin1Char('/'))) {
        if (!isAddress(qsTrimmed.section(QLatin1Char('/'), 0, 0)) || QHostAddress::parseSubnet(qsTrimmed).first.isNull())
            return QObject::tr("\"%1\" is not a network such as 192.168.1.0/24.").arg(qsTrimmed);
        return QString();
    }
    if (!isAddress(qsTrimmed))
        return QObject::tr("\"%1\" is not an IP address.").arg(qsTrimmed);
    return QString();
}

QString SharingSettings::tciUrlProblem(const QString &qsUrl)
{
    const QUrl url(qsUrl.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || (url.scheme() != QLatin1String("ws") && url.scheme() != QLatin1String("wss")))
        return QObject::tr("\"%1\" is not a WebSocket address such as ws://127.0.0.1:40001.").arg(qsUrl.trimmed());
    return QString();
}

bool SharingSettings::operator==(const SharingSettings &other) const
{
    return nodeServer == other.nodeServer && nodeServerPort == other.nodeServerPort
        && nodeServerAddress == other.nodeServerAddress && nodeServerAllowed == other.nodeServerAllowed
        && nodeServerFiltered == other.nodeServerFiltered && tci == other.tci && tciUrl == other.tciUrl
        && tciRowColors == other.tciRowColors && tciColor == other.tciColor;
}
