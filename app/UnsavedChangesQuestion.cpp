#include "UnsavedChangesQuestion.h"

#include "ErrorBox.h"

#include <QMessageBox>
#include <QPushButton>

namespace UnsavedChangesQuestion {

TAnswer Ask(QWidget *parent)
{
    QMessageBox box(QMessageBox::Warning, ErrorBox::ApplicationTitle(), QStringLiteral("Изменения не сохранены."),
                    QMessageBox::NoButton, parent);
    box.setObjectName(QStringLiteral("UnsavedChangesQuestion"));
    box.setInformativeText(QStringLiteral("Изменённое в окне или открытое из файла ещё не записано в контроллер. "
                                          "Сохранить это в файл, прежде чем продолжить?"));
    // Qt's own button texts are not translated in this program.
    QPushButton *save = box.addButton(QStringLiteral("Сохранить в файл…"), QMessageBox::AcceptRole);
    save->setObjectName(QStringLiteral("btnSaveToFile"));
    QPushButton *discard = box.addButton(QStringLiteral("Не сохранять"), QMessageBox::DestructiveRole);
    discard->setObjectName(QStringLiteral("btnDiscard"));
    QPushButton *cancel = box.addButton(QStringLiteral("Отмена"), QMessageBox::RejectRole);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    box.setDefaultButton(save);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == save)
        return TAnswer::SaveToFile;
    if (box.clickedButton() == discard)
        return TAnswer::Discard;
    return TAnswer::Cancel;
}

} // namespace UnsavedChangesQuestion
