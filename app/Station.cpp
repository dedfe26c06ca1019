#include "Station.h"

#include "calibration/TankTableTransfer.h"
#include "common/Error.h"
#include "common/Settings.h"
#include "common/Cp1251.h"
#include "config/ConfigImage.h"
#include "config/ConfigTransfer.h"
#include "config/TerminalConfig.h"
#include "station/StationFile.h"
#include "station/StationImage.h"
#include "station/StationTransfer.h"
#include "terminal/Exchange.h"
#include "terminal/ExchangeLine.h"
#include "terminal/Terminal.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTimer>

namespace {

// The two sides of the window's write check.
const TStationDifference::TSides kWindowSides{QStringLiteral("в окне"), QStringLiteral("в контроллере")};

// The controller's answer to "reload", as the user reads it.
QString ReloadAnswer(const QList<QByteArray> &lines)
{
    QStringList texts;
    for (const QByteArray &line : lines)
        texts << Cp1251::toUnicode(line).trimmed();
    texts.removeAll(QString());
    return texts.isEmpty() ? QStringLiteral("ответ на \"reload\" пуст")
                           : QStringLiteral("ответ на \"reload\": ") + texts.join(QStringLiteral(" / "));
}

} // namespace

TStation::TStation(QObject *parent) : QObject(parent)
{
    m_terminal = std::make_unique<TTerminal>();
    m_terminal->OnOpen = [](TTerminal *) {};
    m_terminal->OnClose = [this](TTerminal *) {
        if (!m_shuttingDown)
            Timer1Timer();
    };
    m_terminal->OnError = [this](TTerminal *, const QString &text) {
        emit statusChanged(QStringLiteral("COM%1 - %2").arg(m_terminal->PortNumber()).arg(text));
    };
    m_terminal->OnData = [this](TTerminal *, const QByteArray &text) { emit dataReceived(text); };
    m_exchanges = std::make_unique<TExchangeLine>(*m_terminal);
    // Whatever the next exchange is, the last outcome is over.
    connect(m_exchanges.get(), &TExchangeLine::exchangeRunningChanged, this, [this](bool running) {
        if (running)
            SetOutcome({});
    });
    m_configuration = std::make_unique<TTerminalConfig>();

    m_settingsPath = Settings::FilePath(QCoreApplication::applicationFilePath());
    LoadSettings();

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(5000);
    connect(m_timer1, &QTimer::timeout, this, &TStation::Timer1Timer);
}

TStation::~TStation()
{
    // No tick from here on, also not from the closed event.
    Stop();
    m_shuttingDown = true;
    m_exchanges.reset();
    m_terminal.reset();
    m_configuration.reset();
}

void TStation::Start()
{
    m_timer1->start();
    Timer1Timer();
}

void TStation::Stop()
{
    m_timer1->stop();
}

void TStation::LoadSettings()
{
    m_terminal->SetPortNumber(Settings::ReadPort(m_settingsPath));
}

void TStation::SaveSettings()
{
    Settings::WritePort(m_settingsPath, m_terminal->PortNumber());
}

void TStation::Timer1Timer()
{
    try {
        if (!m_terminal->Active())
            m_terminal->Open();
        emit statusChanged(QStringLiteral("COM%1 открыт").arg(m_terminal->PortNumber()));
    } catch (const TError &error) {
        emit statusChanged(error.Message());
    }
}

void TStation::SetUnsavedChanges(bool unsaved)
{
    if (m_unsavedChanges == unsaved)
        return;
    m_unsavedChanges = unsaved;
    emit unsavedChangesChanged(unsaved);
}

void TStation::UserChanged()
{
    ++m_changeCount;
    SetUnsavedChanges(true);
}

void TStation::SetOutcome(const QString &text)
{
    if (text == m_outcome)
        return;
    m_outcome = text;
    emit outcomeChanged(text);
}

void TStation::ClearConfig()
{
    emit configurationCleared();
    m_tankTables.Reset();
    SetUnsavedChanges(false);
}

void TStation::ReadFromController()
{
    // Claimed first: a refused read touches nothing, and its ClearConfig
    // cannot empty the tables a running write has yet to send.
    const TExchangeScript read = ReadConfigScript(*m_configuration);
    TExchange exchange(*m_exchanges, read.Plan());
    ClearConfig();
    read.Run(exchange);
    emit configurationLoaded();
    // What was typed into the empty pages meanwhile is shown over now.
    SetUnsavedChanges(false);
}

void TStation::SaveToController()
{
    const quint64 changesBefore = m_changeCount;
    const QByteArray image = ConfigImage::Encode(*m_configuration);
    QString reloaded;
    WriteStationScript(image, m_tankTables, kWindowSides, [&](const QList<QByteArray> &answer) {
        reloaded = ReloadAnswer(answer);
        SetOutcome(QStringLiteral("Конфигурация записана и проверена; ") + reloaded);
    }).Run(*m_exchanges);
    SetOutcome(QStringLiteral("Записано и проверено; ") + reloaded);
    if (m_changeCount == changesBefore)
        SetUnsavedChanges(false);
}

TControllerComparison TStation::CompareWithController(const TTerminalConfig &Pages)
{
    const TStationImage ours = TStationImage::Of(ConfigImage::Encode(Pages), m_tankTables);
    return {ours.TankNos(), StationComparison::CompareStation(ours, ReadStation(*m_exchanges, ours))};
}

TankTable *TStation::OpenTable(int TankNo, int HMax)
{
    SetOutcome({});
    TankTable *table = m_tankTables.ForTank(TankNo);
    if (!table)
        return nullptr;
    if (!table->Loaded)
        FetchTankTableScript(*table).Run(*m_exchanges);
    table->HMax = HMax;
    return table;
}

void TStation::EditTable(int TankNo, int HMax, const std::function<void(TankTable &)> &Edit)
{
    TankTable *table = OpenTable(TankNo, HMax);
    if (!table)
        return;
    const auto before = table->Volumes;
    Edit(*table);
    if (table->Volumes != before)
        UserChanged();
}

void TStation::SaveToFile(const QString &Path)
{
    SetOutcome({});
    StationFile::Save(Path, *m_configuration, m_tankTables);
    SetUnsavedChanges(false);
}

void TStation::LoadFromFile(const QString &Path)
{
    SetOutcome({});
    const TStationFile file = StationFile::Load(Path);
    ClearConfig();
    *m_configuration = file.Config;
    emit configurationLoaded();
    for (int i = 0; i < TTankTables::Count; ++i) {
        const TankTable &held = file.Tables[i];
        TankTable &slot = m_tankTables[i];
        slot.Loaded = held.Loaded;
        slot.Modified = held.Modified;
        slot.Volumes = held.Volumes;
    }
    SetUnsavedChanges(true); // until it is written to the controller
}

void TStation::ChangePort(int PortNumber)
{
    SetOutcome({});
    m_terminal->SetPortNumber(PortNumber);
    // An open link's closed event reopens it on the new number.
    m_terminal->Close();
    SaveSettings();
}
