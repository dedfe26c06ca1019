// The file dialogs of "Открыть файл" and "Сохранить в файл". The folder of
// the last file chosen is proposed again for the rest of the run, and a file
// to save into is proposed under a name with the day's date.
#pragma once

#include <QDate>
#include <QString>
#include <functional>

class QWidget;

class TStationFileDialog
{
public:
    enum class TPurpose { Open, Save };

    TStationFileDialog();

    // Asks for a file to open or to save into, in a dialog titled Caption;
    // empty when the user cancelled.
    QString Choose(QWidget *parent, TPurpose purpose, const QString &Caption);

    // The name proposed for a file saved on Day.
    static QString ProposedName(const QDate &Day);

    // Answers the dialogs instead of the user, for tests: given the purpose
    // and the path proposed (the folder to open from, the file to save
    // into), returns the path chosen, empty for a cancel. An empty chooser
    // restores the dialogs.
    using Chooser = std::function<QString(TPurpose purpose, const QString &proposed)>;
    static void SetChooser(Chooser chooser);

private:
    QString m_folder; // of the last file chosen; at first the user's documents or home
};
