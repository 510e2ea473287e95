#include "WelcomePanel.h"
#include "ui_WelcomePanel.h"

#include "settings/Settings.h"

#include <QLayout>
#include <QStackedWidget>

WelcomePanel::WelcomePanel(Settings *pSettings, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::WelcomePanel>()), m_settings(pSettings)
{
    m_ui->setupUi(this);
    QFont titleFont = m_ui->labelWelcomeTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    titleFont.setBold(true);
    m_ui->labelWelcomeTitle->setFont(titleFont);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);

    connect(m_ui->pushButtonWelcomeSettings, &QPushButton::clicked, this, &WelcomePanel::onSettingsClicked);
    connect(m_ui->pushButtonWelcomePublicNodes, &QPushButton::clicked, this, &WelcomePanel::onPublicNodesClicked);
    connect(m_settings, &Settings::foundActiveNode, this, &WelcomePanel::refresh);
    connect(m_settings, &Settings::settingsSaved, this, &WelcomePanel::refresh);
}

WelcomePanel::~WelcomePanel() = default;

void WelcomePanel::standIn(QWidget *pContent)
{
    QWidget *pHolder = pContent->parentWidget();
    m_stack = new QStackedWidget(pHolder);
    m_stack->setObjectName(QStringLiteral("stackedWidgetSpots"));
    if (pHolder && pHolder->layout())
        delete pHolder->layout()->replaceWidget(pContent, m_stack);
    m_content = pContent;
    m_stack->addWidget(this);
    m_stack->addWidget(pContent);
    refresh();
}

bool WelcomePanel::isGuiding() const
{
    return m_stack && m_stack->currentWidget() == this;
}

void WelcomePanel::refresh()
{
    const bool bNoNode = m_settings->activeIndex() < 0;
    const bool bNoCall = m_settings->callsign().trimmed().isEmpty();
    if (bNoNode && bNoCall)
        m_ui->labelWelcomeMissing->setText(tr("No node is chosen yet, and your callsign is missing."));
    else if (bNoNode)
        m_ui->labelWelcomeMissing->setText(tr("No node is chosen yet."));
    else
        m_ui->labelWelcomeMissing->setText(tr("Your callsign is missing."));
    m_ui->pushButtonWelcomePublicNodes->setVisible(bNoNode);
    if (m_stack)
        m_stack->setCurrentWidget(bNoNode || bNoCall ? static_cast<QWidget *>(this) : m_content);
}

void WelcomePanel::onSettingsClicked()
{
    m_settings->showPage(m_settings->setupGap());
}

void WelcomePanel::onPublicNodesClicked()
{
    m_settings->showPage(Settings::SetupGap::Node);
    m_settings->onAddFromListClicked();
}
