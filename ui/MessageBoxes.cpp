#include "MessageBoxes.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QSpacerItem>

namespace MessageBoxes {

namespace {

void show(QWidget *parent, const QString &qsText, const QString &qsInformativeText, const QString &qsIconPath)
{
    QMessageBox box(parent);
    box.setWindowTitle(QCoreApplication::applicationName());
    box.setIconPixmap(QPixmap(qsIconPath));
    // Texts here may carry what a file or a server said: never markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(qsText);
    box.setInformativeText(qsInformativeText);
    if (auto *pInformative = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel")))
        pInformative->setTextFormat(Qt::PlainText);
    box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
}

} // namespace

void warning(QWidget *parent, const QString &qsInformativeText)
{
    show(parent, QCoreApplication::translate("MessageBoxes", "Warning!"), qsInformativeText,
         QStringLiteral(":/ico/warning_yellow.png"));
}

void error(QWidget *parent, const QString &qsText, const QString &qsInformativeText, const QString &qsIconPath)
{
    show(parent, qsText, qsInformativeText, qsIconPath);
}

void rigError(const QString &qsError)
{
    QMessageBox box;
    box.setIconPixmap(QPixmap(QStringLiteral(":/ico/exclamation_red.png")));
    // The rig server's own words may be part of it: never markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(qsError);
    box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    // Keeps short rig errors from squeezing the box to a sliver.
    if (auto *pGrid = qobject_cast<QGridLayout *>(box.layout())) {
        pGrid->addItem(new QSpacerItem(200, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), pGrid->rowCount(), 0, 1,
                       pGrid->columnCount());
    }
    box.exec();
}

void decorateButtonBox(QDialogButtonBox *pButtonBox)
{
    if (QPushButton *pOk = pButtonBox->button(QDialogButtonBox::Ok))
        pOk->setIcon(QIcon(QStringLiteral(":/ico/Actions-dialog-ok-apply-icon.png")));
    if (QPushButton *pCancel = pButtonBox->button(QDialogButtonBox::Cancel))
        pCancel->setIcon(QIcon(QStringLiteral(":/ico/Actions-dialog-cancel-icon.png")));
}

} // namespace MessageBoxes
