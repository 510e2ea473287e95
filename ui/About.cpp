#include "About.h"
#include "ui_About.h"

#include "app/Version.h"

#include <QCoreApplication>

About::About(QWidget *parent) : QDialog(parent), m_ui(std::make_unique<Ui::About>())
{
    m_ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    // The project's own version, not the application object's, so the box
    // is right also in programs that never set it (tests, tools).
    m_ui->labelApplicationName->setText(QStringLiteral("Kelvane ") + QStringLiteral(KELVANE_VERSION));
    m_ui->labelApplicationCopyright->setText(QStringLiteral("Copyright \u00A9 2024-2026 Tarrow\n")
                                             + tr("All rights reserved."));
    const QString qsHomePage = homePage().toHtmlEscaped();
    m_ui->labelAuthorPage->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(qsHomePage));
    connect(m_ui->pushButtonOk, &QPushButton::clicked, this, &About::onOkClicked);
}

About::~About() = default;

QString About::homePage()
{
    return QStringLiteral("https://www.tarrow.example/kelvane");
}

void About::onOkClicked()
{
    hide();
}
