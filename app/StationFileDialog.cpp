#include "StationFileDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString kFilter = QStringLiteral("Конфигурация АЗС (*.json);;Все файлы (*)");

TStationFileDialog::Chooser &chooser()
{
    static TStationFileDialog::Chooser instance;
    return instance;
}

} // namespace

namespace {

// The user's documents, or the home folder where there is no such folder.
QString FirstFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

} // namespace

TStationFileDialog::TStationFileDialog() : m_folder(FirstFolder())
{
}

QString TStationFileDialog::Choose(QWidget *parent, TPurpose purpose, const QString &Caption)
{
    const QString proposed =
        purpose == TPurpose::Open ? m_folder : QDir(m_folder).filePath(ProposedName(QDate::currentDate()));
    QString path;
    if (chooser())
        path = chooser()(purpose, proposed);
    else if (purpose == TPurpose::Open)
        path = QFileDialog::getOpenFileName(parent, Caption, proposed, kFilter);
    else
        path = QFileDialog::getSaveFileName(parent, Caption, proposed, kFilter);
    if (!path.isEmpty())
        m_folder = QFileInfo(path).absolutePath();
    return path;
}

QString TStationFileDialog::ProposedName(const QDate &Day)
{
    return QStringLiteral("azs-config-%1.json").arg(Day.toString(Qt::ISODate));
}

void TStationFileDialog::SetChooser(Chooser newChooser)
{
    chooser() = std::move(newChooser);
}
