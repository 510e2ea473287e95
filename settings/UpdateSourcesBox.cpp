#include "UpdateSourcesBox.h"

#include "SettingsStore.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

UpdateSourcesBox::UpdateSourcesBox(const QList<QCheckBox *> &needServer, QWidget *parent)
    : QGroupBox(tr("Update sources"), parent), m_needServer(needServer)
{
    setObjectName(QStringLiteral("groupBoxUpdateSources"));
    for (const QCheckBox *pCheckBox : m_needServer)
        m_texts.append(pCheckBox->text());

    auto makeField = [this](const char *pName, const QString &qsPlaceholder) {
        auto *pLineEdit = new QLineEdit(this);
        pLineEdit->setObjectName(QLatin1String(pName));
        pLineEdit->setPlaceholderText(qsPlaceholder);
        pLineEdit->setClearButtonEnabled(true);
        return pLineEdit;
    };
    m_lineEditUpdateServer =
        makeField("lineEditUpdateServer", tr("none: no application, nodes list or DXpeditions checks"));
    m_lineEditCountryFileUrl = makeField("lineEditCountryFileUrl", tr("none: no country file check"));
    m_lineEditDXpeditionsUrl = makeField("lineEditDXpeditionsUrl", tr("the list on the update server"));
    m_labelNoUpdateServer = new QLabel(tr("No update server is set: the application check, the nodes list update "
                                          "and the DXpeditions download from it are off."),
                                       this);
    m_labelNoUpdateServer->setObjectName(QStringLiteral("labelNoUpdateServer"));
    m_labelNoUpdateServer->setWordWrap(true);

    auto *pLayout = new QFormLayout(this);
    pLayout->addRow(tr("Update server:"), m_lineEditUpdateServer);
    pLayout->addRow(QString(), m_labelNoUpdateServer);
    pLayout->addRow(tr("Country file:"), m_lineEditCountryFileUrl);
    pLayout->addRow(tr("DXpeditions list:"), m_lineEditDXpeditionsUrl);

    connect(m_lineEditUpdateServer, &QLineEdit::textChanged, this, &UpdateSourcesBox::onUpdateServerChanged);
    onUpdateServerChanged(QString());
}

void UpdateSourcesBox::load()
{
    const UpdateSources sources = SettingsStore::loadUpdateSources();
    m_lineEditUpdateServer->setText(sources.updateServer);
    m_lineEditCountryFileUrl->setText(sources.countryFileUrl);
    m_lineEditDXpeditionsUrl->setText(sources.dxpeditionsUrl);
    onUpdateServerChanged(sources.updateServer);
}

void UpdateSourcesBox::save() const
{
    SettingsStore::saveUpdateSources(
        {m_lineEditUpdateServer->text(), m_lineEditCountryFileUrl->text(), m_lineEditDXpeditionsUrl->text()});
}

void UpdateSourcesBox::onUpdateServerChanged(const QString &qsText)
{
    const bool bServer = !qsText.trimmed().isEmpty();
    m_labelNoUpdateServer->setVisible(!bServer);
    for (int i = 0; i < m_needServer.size(); ++i) {
        QCheckBox *pCheckBox = m_needServer.at(i);
        // The stored choice stays: it counts again once a server is set.
        pCheckBox->setEnabled(bServer);
        pCheckBox->setText(bServer ? m_texts.at(i) : m_texts.at(i) + tr(" (no update server set)"));
    }
}
