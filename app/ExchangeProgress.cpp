#include "ExchangeProgress.h"

#include "calibration/TankTable.h"
#include "common/Cp1251.h"
#include "terminal/Terminal.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>

namespace {
const QByteArray kTablesFile = QByteArrayLiteral("tanks.tbl");
constexpr int kTableBlockSize = TankTable::EntryCount * 4;
constexpr int kWriteChunkSize = 32; // bytes per command of WriteRemoteFile
}

TExchangeProgress::TExchangeProgress(TTerminal &terminal, QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ExchangeProgress"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->setSpacing(6);

    lblStep = new QLabel(this);
    lblStep->setObjectName(QStringLiteral("lblStep"));
    lblStep->setMinimumWidth(180);
    layout->addWidget(lblStep, 1);

    pbCommands = new QProgressBar(this);
    pbCommands->setObjectName(QStringLiteral("pbCommands"));
    pbCommands->setFixedSize(170, 14);
    pbCommands->setFormat(QStringLiteral("%v из %m"));
    layout->addWidget(pbCommands);

    connect(&terminal, &TTerminal::commandStarted, this, &TExchangeProgress::CommandStarted);
    connect(&terminal, &TTerminal::commandFinished, this, &TExchangeProgress::CommandFinished);
    hide();
}

void TExchangeProgress::Begin(int totalCommands)
{
    if (m_depth++ > 0)
        return;
    pbCommands->setRange(0, totalCommands);
    pbCommands->setValue(0);
    lblStep->clear();
    show();
}

void TExchangeProgress::End()
{
    if (m_depth == 0 || --m_depth > 0)
        return;
    hide();
}

TExchangeProgress::Session::Session(TExchangeProgress &progress, int totalCommands)
    : m_progress(progress)
{
    m_progress.Begin(totalCommands);
}

TExchangeProgress::Session::~Session()
{
    m_progress.End();
}

QString TExchangeProgress::StepText(const QByteArray &command)
{
    // "rdfile <name> <offset> <length>" and "wrfile <name> <offset> <hex>".
    const QList<QByteArray> words = command.split(' ');
    const QByteArray &verb = words.first();
    if ((verb != "rdfile" && verb != "wrfile") || words.size() < 3)
        return QStringLiteral("Команда %1").arg(Cp1251::toUnicode(command));

    QString text = verb == "rdfile" ? QStringLiteral("Чтение ") : QStringLiteral("Запись ");
    text += Cp1251::toUnicode(words[1]);
    if (words[1] == kTablesFile)
        text += QStringLiteral(": резервуар %1").arg(words[2].toInt() / kTableBlockSize + 1);
    return text;
}

int TExchangeProgress::FileWriteCommands(qsizetype bytes)
{
    return int((bytes + kWriteChunkSize - 1) / kWriteChunkSize);
}

void TExchangeProgress::CommandStarted(const QByteArray &command)
{
    if (m_depth > 0)
        lblStep->setText(StepText(command));
}

void TExchangeProgress::CommandFinished()
{
    if (m_depth > 0 && pbCommands->value() < pbCommands->maximum())
        pbCommands->setValue(pbCommands->value() + 1);
}
