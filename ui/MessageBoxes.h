#ifndef MESSAGEBOXES_H
#define MESSAGEBOXES_H

#include <QString>

QT_BEGIN_NAMESPACE
class QDialogButtonBox;
class QWidget;
QT_END_NAMESPACE

// The program's two kinds of modal message: warnings ("Warning!" with the
// yellow sign) and input errors (a main text with the red mark). Both have a
// single OK button that is also the default.
namespace MessageBoxes {

void warning(QWidget *parent, const QString &qsInformativeText);
void error(QWidget *parent, const QString &qsText, const QString &qsInformativeText,
           const QString &qsIconPath = QStringLiteral(":/ico/exclamation_red.png"));
// What the rig server or the rig library reported. Parentless, so that it
// shows while the window sits in the tray.
void rigError(const QString &qsError);
// The OK and Cancel buttons of the program's dialogs carry the accept and
// cancel icons.
void decorateButtonBox(QDialogButtonBox *pButtonBox);

} // namespace MessageBoxes

#endif // MESSAGEBOXES_H
