#include "Tips.h"
#include "ui_Tips.h"

#include "settings/SettingsStore.h"

Tips::Tips(QWidget *parent) : QDialog(parent), m_ui(std::make_unique<Ui::Tips>())
{
    m_ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    connect(m_ui->pushButtonOk, &QPushButton::clicked, this, &Tips::onOkClicked);
}

Tips::~Tips() = default;

bool Tips::isSeen(int iTip)
{
    return (SettingsStore::seenTips() & iTip) != 0;
}

void Tips::setTip(int iTip)
{
    m_tip = iTip;
    switch (iTip) {
    case FirstConnection:
        m_ui->textEditTips->setPlainText(tr("You can right-click on a spot to see details about the spotted "
                                            "station or tune your rig to that station's frequency?"));
        break;
    case TuneByDoubleClick:
        m_ui->textEditTips->setPlainText(
            tr("You can also tune your rig to a spot's frequency by double-clicking on it?"));
        break;
    case FilterOrder:
        m_ui->textEditTips->setPlainText(
            tr("The order of the filters is important? For each spot the filters are checked sequentially until "
               "a match is found. When a match is found, the process stops and the rest of the filters are not "
               "checked."));
        break;
    case AlertOrder:
        m_ui->textEditTips->setPlainText(tr("The order of the alerts is important? For each spot the alerts are "
                                            "checked sequentially and those that match are applied."));
        break;
    default:
        m_ui->textEditTips->clear();
        break;
    }
}

void Tips::showTip(int iTip)
{
    setTip(iTip);
    if (!isSeen(iTip))
        show();
}

void Tips::onOkClicked()
{
    const int iSeen = SettingsStore::seenTips();
    SettingsStore::setSeenTips(m_ui->checkBoxDontShowMoreTips->isChecked() ? kNoMoreTips : (iSeen | m_tip));
    hide();
    m_ui->textEditTips->clear();
}
